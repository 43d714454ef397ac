// The argument splitter on any command line: the raw Windows line (the input up to its first
// zero byte) and the split argv of Linux (the input's pieces between zero bytes).
#include <climits>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "platform/fake.h"
#include "runtime/arguments.h"
#include "text/command_text.h"

namespace {

// Every ArgumentText call scans the line afresh; asking for each of thousands of arguments
// would make one input take seconds, so the middle ones are left to the scans below.
std::vector<int> Sampled(int count) {
  std::vector<int> indexes;
  for (int i = 1; i <= count; ++i)
    if (i <= 32 || i > count - 32) indexes.push_back(i);
  return indexes;
}

// The arguments after the program name as NextArgument scans them in room bytes each, checked
// against the rules.
std::vector<std::string> CheckScans(const char* line, const std::string& text, size_t room) {
  std::vector<std::string> scans;
  size_t p = 0;
  for (bool program_name = true;; program_name = false) {
    size_t before = p;
    std::string argument = S(NextArgument(line, &p, room));
    FUZZ_CHECK(p <= text.size());
    FUZZ_CHECK(argument.size() <= room, Escaped(argument));
    FUZZ_CHECK(argument.find('"') == std::string::npos, Escaped(argument));
    if (argument.empty()) {
      FUZZ_CHECK(p == text.size(), "an empty scan before the end of " + Escaped(text));
      break;
    }
    FUZZ_CHECK(p > before);
    if (!program_name) scans.push_back(argument);
  }

  // Past a quoted stretch cut by the bound the rules allow more than one split.
  ModelArguments model = ModelSplit(text, room);
  std::vector<std::string> known = scans;
  if (model.unsure) {
    FUZZ_CHECK(known.size() >= model.arguments.size());
    known.resize(model.arguments.size());
  }
  if (known != model.arguments) {
    size_t i = 0;
    while (i < known.size() && i < model.arguments.size() && known[i] == model.arguments[i]) ++i;
    FuzzFail(__FILE__, __LINE__, "arguments as the rules give them",
             "line " + Escaped(text) + " in " + std::to_string(room) + "\nargument " +
                 std::to_string(i + 1) + ": want " +
                 (i < model.arguments.size() ? Escaped(model.arguments[i]) : "none") + ", got " +
                 (i < known.size() ? Escaped(known[i]) : "none"));
  }
  return scans;
}

void CheckRawLine(const std::string& text) {
  // Exactly sized, so that AddressSanitizer stops any read past the terminating zero.
  std::unique_ptr<char[]> line(new char[text.size() + 1]);
  std::memcpy(line.get(), text.data(), text.size());
  line[text.size()] = 0;

  // A room of 4 to 11 bytes too, picked by the first byte: short lines meet the bound with
  // characters of every length where they would hardly ever reach 4096 bytes.
  CheckScans(line.get(), text, 4 + static_cast<unsigned char>(line[0]) % 8);
  std::vector<std::string> scans = CheckScans(line.get(), text, kArgumentRoom);

  fake::State& fake = fake::Reset();
  fake.raw_command_line = text;
  fake.module_file_name = text;
  int count = ArgumentCount();
  FUZZ_CHECK(count >= 0 && size_t(count) == scans.size());
  for (int i : Sampled(count)) {
    Text argument = ArgumentText(i);
    FUZZ_CHECK(!argument.Empty());
    FUZZ_CHECK(S(argument) == scans[i - 1], "argument " + std::to_string(i));
  }
  FUZZ_CHECK(ArgumentText(count + 1).Empty());
  FUZZ_CHECK(ArgumentText(-1).Empty());
  FUZZ_CHECK(ArgumentText(INT_MIN).Empty());
  // Argument 0 is the program's own path, cut to its room: MAX_PATH units as UTF-8 and a zero.
  FUZZ_CHECK(S(ArgumentText(0)) == text.substr(0, 3 * 260 + 1));
}

// Linux: an empty argv element is no argument; the rest come as they are.
void CheckSplitLine(const std::string& input) {
  std::vector<std::string> argv;
  size_t from = 0;
  for (size_t zero; (zero = input.find('\0', from)) != std::string::npos; from = zero + 1)
    argv.push_back(input.substr(from, zero - from));
  argv.push_back(input.substr(from));
  std::vector<std::string> want;
  for (size_t i = 1; i < argv.size(); ++i)
    if (!argv[i].empty()) want.push_back(argv[i]);

  fake::State& fake = fake::Reset();
  fake.split = true;
  fake.argv = argv;
  int count = ArgumentCount();
  FUZZ_CHECK(count >= 0 && size_t(count) == want.size());
  for (int i : Sampled(count)) FUZZ_CHECK(S(ArgumentText(i)) == want[i - 1]);
  FUZZ_CHECK(ArgumentText(count + 1).Empty());
  FUZZ_CHECK(ArgumentText(-1).Empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  CheckRawLine(input.substr(0, input.find('\0')));
  CheckSplitLine(input);
  return 0;
}
