// The whole program on any command line and list file: every call it makes, and how the
// process ends, must be what the rules give. Since the started texts are compared whole, no
// start can carry anything but the list's entries, the B- and E-texts and the program named or
// looked up. Input: the list script (fuzz_support.h), a count byte and that many outcome bytes
// (how the shell answers the n-th start and the n-th lookup, and whether the n-th line of a
// preview fails to be written), the raw command line, a zero byte, and the list file.
#include <algorithm>
#include <iterator>
#include <string>

#include "driver/run.h"
#include "driver/settings.h"
#include "fuzz_support.h"
#include "platform/fake.h"
#include "platform/platform.h"
#include "runtime/arguments.h"
#include "runtime/list_reader.h"

namespace {

// Shell answers, from bits 3-4 of an outcome byte. Past the outcomes the fake succeeds and
// hands out the handles 0x100, 0x104, ...
fake::ShellResult ShellAnswer(uint8_t outcome, size_t n) {
  switch ((outcome >> 3) & 3) {
    case 0: return {true, reinterpret_cast<void*>(uintptr_t(0x10000 + 16 * n)), 0};
    case 1: return {false, nullptr, 2};
    case 2: return {true, nullptr, 0};  // handed to a program that was already running
    default: return {false, nullptr, 1155};
  }
}

// Lookup answers, from bits 0-2 of an outcome byte; past the outcomes: no association.
fake::FindResult FindAnswer(uint8_t outcome, size_t n) {
  switch (outcome & 7) {
    case 0: return {31, ""};
    case 1: return {42, "C:\\Apps\\app" + std::to_string(n) + ".exe"};
    case 2: return {33, ""};                         // success that writes nothing
    case 3: return {32, "C:\\Junk\\not found.exe"};  // a failure that wrote anyway
    case 4: return {2, ""};
    case 5: return {~uintptr_t(0), "D:\\big code.exe"};
    case 6: return {0, "x"};
    default: return {42, std::string(800, 'p')};  // fills the room with no zero
  }
}

// The first preview line that cannot be written: the first outcome byte with bit 5 set.
int FailingOutput(const std::string& outcomes) {
  for (size_t n = 0; n < outcomes.size(); ++n)
    if (outcomes[n] & 0x20) return static_cast<int>(n);
  return -1;
}
const uint32_t kOutputError = 232;

const char kPrepareShell[] = "CoInitializeEx(null, 6)";  // apartment-threaded, no OLE1 DDE
// MAX_PATH UTF-16 units as UTF-8, and a zero: the room for the program a lookup names.
const size_t kPathRoom = 3 * 260 + 1;

// What /C: names, in any letter case: the empty value leaves it to the list. A number names the
// Unicode forms by their code pages, or a code page the system knows that keeps codes 0 to 32 as
// they are (line ends, Blanks and Ctrl-Z are found before converting).
bool EncodingNamed(const std::string& value, ListEncoding* encoding) {
  const bool number = !value.empty() && value.size() <= 9 &&
                      value.find_first_not_of("0123456789") == std::string::npos;
  std::string key = number ? std::to_string(std::stoul(value)) : value;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  const struct {
    const char* name;
    ListEncoding encoding;
  } kNames[] = {{"", {ListCoding::kDetect, 0}},
                {"ANSI", {ListCoding::kCodePage, platform::kCodePageAnsi}},
                {"OEM", {ListCoding::kCodePage, platform::kCodePageOem}},
                {"UTF-8", {ListCoding::kUtf8, 0}},
                {"UTF8", {ListCoding::kUtf8, 0}},
                {"65001", {ListCoding::kUtf8, 0}},
                {"UTF-16LE", {ListCoding::kUtf16Le, 0}},
                {"UTF16LE", {ListCoding::kUtf16Le, 0}},
                {"1200", {ListCoding::kUtf16Le, 0}},
                {"UTF-16BE", {ListCoding::kUtf16Be, 0}},
                {"UTF16BE", {ListCoding::kUtf16Be, 0}},
                {"1201", {ListCoding::kUtf16Be, 0}}};
  for (const auto& name : kNames) {
    if (key != name.name) continue;
    *encoding = name.encoding;
    return true;
  }
  if (!number) return false;
  const uint32_t page = static_cast<uint32_t>(std::stoul(key));
  // Escape bytes switch what the bytes after them mean: ISO-2022 and HZ.
  for (uint32_t stateful : {50220, 50221, 50222, 50225, 50227, 50229, 52936})
    if (page == stateful) return false;
  if (std::count(std::begin(fake::kCodePages), std::end(fake::kCodePages), page) == 0) return false;
  for (uint32_t c = 0; c <= 32; ++c)
    if (fake::FakeCodePageCharacter(page, static_cast<unsigned char>(c)) != c) return false;
  *encoding = {ListCoding::kCodePage, page};
  return true;
}

// The program, by the rules: the calls it makes and the code it ends with.
class Model {
 public:
  Model(const std::string& line, const ListScript& list, const std::string& outcomes)
      : list_(list), outcomes_(outcomes) {
    ModelArguments split = ModelSplit(line);
    arguments_ = split.arguments;
    if (split.unsure) {  // the splitter has its own target; take its word here
      arguments_.clear();
      for (int i = 1; i <= ArgumentCount(); ++i) arguments_.push_back(S(ArgumentText(i)));
    }
    Body();
  }
  std::vector<std::string> calls;
  uint32_t code = 0;

 private:
  // The character at `at` of an argument: its bytes, 0 past the end.
  static size_t CharacterAt(const std::string& a, size_t at) {
    return at < a.size() ? ModelUtf8Step(a, at, a.size() - at).length : 0;
  }

  // "-" always starts an option; "/" too, but where it starts a Linux path: there only "/" and
  // one character, or a third character of ":" or "=".
  bool IsOption(const std::string& a) const {
    if (a[0] == '-' || (a[0] == '/' && !list_.linux_port)) return true;
    if (a[0] != '/' || a.size() == 1) return false;
    const size_t third = 1 + CharacterAt(a, 1);
    return third == a.size() || a[third] == ':' || a[third] == '=';
  }

  void Body() {
    for (const std::string& argument : arguments_) {
      std::string a = ModelTrim(argument);
      if (a.empty()) continue;  // quoted blanks: neither an option nor a plain argument
      if (IsOption(a)) {
        unsigned char letter = a.size() > 1 ? static_cast<unsigned char>(a[1]) : 0;
        if (letter >= 'a' && letter <= 'z') letter -= 32;
        // The letter's character and the one after it, whatever they are, come before the value.
        const size_t third = 1 + CharacterAt(a, 1);
        const std::string value = a.substr(std::min(a.size(), third + CharacterAt(a, third)));
        if (letter == 'B') b_ = value;
        if (letter == 'C') c_ = value;
        if (letter == 'E') e_ = value;
        if (letter == 'L') l_ = value;
        if (letter == 'X') x_ = value;
        if (letter == 'W') wait_ = false;
        if (letter == 'N') preview_ = true;
        continue;
      }
      if (arguments_.size() == 1) {
        calls.push_back(kPrepareShell);
        Start("", a, true);
      } else {
        Usage();
      }
      return End(0);
    }
    if (l_.empty()) {
      Usage();
      return End(0);
    }
    ListRun();
  }

  void ListRun() {
    const bool no_exe = x_.empty();
    const bool lookup = no_exe && (!b_.empty() || !e_.empty());
    std::string exe = x_;
    ListEncoding encoding;
    if (!EncodingNamed(c_, &encoding)) {
      Usage();
      calls.push_back(
          "Diagnostic(" +
          QuotedCall("corvane: /C:" + c_ + " names no list encoding that this system can read") +
          ")");
      return End(87);
    }
    calls.push_back("CreateFile(" + QuotedCall(l_) + ")");
    if (list_.open_fails) return ListFailure(list_.open_error);
    calls.push_back(kPrepareShell);
    ModelListFile file = ModelReader(list_.reads, encoding);
    size_t reads = 0;
    for (const ModelEntry& entry : file.entries) {
      calls.insert(calls.end(), entry.reads - reads, kReadList);
      reads = entry.reads;
      if (lookup) {
        // The file the quoted entry names; a relative one is looked up in the current folder.
        const std::string path = ModelEntryPath(entry.text);
        const std::string folder = ModelFullPath(path) ? ModelDirectory(path) : "";
        calls.push_back("FindExecutable(" + QuotedCall(path) + ", " + QuotedCall(folder) +
                        ", cleared)");
        fake::FindResult found = FindAnswer(Outcome(lookups_), lookups_);
        ++lookups_;
        exe = found.code > 32 ? found.program.substr(0, kPathRoom - 1) : "";
        exe = exe.substr(0, exe.find('\0'));
      }
      // A started program, unless on Linux, reads backslashes before a quote as escaping it.
      const bool direct = no_exe && exe.empty();
      const std::string quoted = ModelQuote(entry.text, !direct && !list_.linux_port);
      std::string command = ModelTrim(b_ + " " + quoted + " " + e_);
      if (!preview_) {
        Start(exe, command, direct);
      } else if (!Show(exe, command, direct)) {
        return End(kOutputError);
      }
    }
    calls.insert(calls.end(), file.reads - reads, kReadList);
    if (file.failure) return ListFailure(file.failure);
    calls.push_back(kCloseList);
    if (list_.close_fails) return ListFailure(list_.close_error);
    if (preview_) calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", null)");
    End(0);
  }

  // A preview line holds the texts as the shell would get them, each up to a zero byte. False
  // when its write fails.
  bool Show(const std::string& program, const std::string& command, bool direct) {
    auto shell_text = [](const std::string& text) { return text.substr(0, text.find('\0')); };
    calls.push_back(
        "Output(" +
        QuotedCall(direct ? "open\t" + shell_text(command)
                          : "program\t" + shell_text(program) + "\t" + shell_text(command)) +
        ")");
    return outputs_++ != FailingOutput(outcomes_);
  }

  void Start(const std::string& program, const std::string& command, bool direct) {
    calls.push_back(direct ? ShellCall(command, nullptr) : ShellCall(program, &command));
    fake::ShellResult answer{true, reinterpret_cast<void*>(default_handle_), 0};
    if (starts_ < outcomes_.size())
      answer = ShellAnswer(Outcome(starts_), starts_);
    else
      default_handle_ += 4;
    ++starts_;
    if (!answer.ok || !answer.process) return;
    std::string handle = PointerCall(reinterpret_cast<uintptr_t>(answer.process));
    if (wait_) calls.push_back("WaitForInputIdle(" + handle + ", 4294967295)");
    calls.push_back("CloseHandle(" + handle + ")");
  }

  // A preview's box ends with the code it stops for.
  void ListFailure(uint32_t exit_code) {
    if (preview_)
      calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", " +
                      QuotedCall("The list could not be read: error " + std::to_string(exit_code)) +
                      ")");
    End(exit_code);
  }

  void Usage() {
    calls.push_back("MessageBox(\"" CORVANE_USAGE "\", \"" CORVANE_CAPTION "\", 64)");
  }

  void End(uint32_t exit_code) {
    code = exit_code;
    calls.push_back(ExitCall(exit_code));
  }

  uint8_t Outcome(size_t n) const { return n < outcomes_.size() ? outcomes_[n] : 0; }

  const ListScript& list_;
  const std::string& outcomes_;
  std::vector<std::string> arguments_;
  std::string b_, c_, e_, l_, x_;
  bool wait_ = true;
  bool preview_ = false;
  int outputs_ = 0;
  size_t starts_ = 0;
  size_t lookups_ = 0;
  uintptr_t default_handle_ = 0x100;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputCursor input(data, size);
  ListScript list = TakeListScript(input);
  std::string outcomes = input.Bytes(input.Byte());
  std::string line = input.UpToZero();
  SetContent(list, input.Rest());

  fake::State& fake = fake::Reset();
  ApplyListScript(list, fake);
  fake.raw_command_line = line;
  fake.slash_options_need_separator = list.linux_port;
  fake.backslashes_escape_quotes = !list.linux_port;
  fake.output_writes_left = FailingOutput(outcomes);
  fake.output_error = kOutputError;
  for (size_t n = 0; n < outcomes.size(); ++n) {
    fake.shell.push_back(ShellAnswer(outcomes[n], n));
    fake.find.push_back(FindAnswer(outcomes[n], n));
  }
  ResetSettings();
  PendingIoError = 0;

  Model model(line, list, outcomes);
  // Through a plain pointer: the compiler may assume that a [[noreturn]] call never returns.
  void (*volatile run)() = Run;
  uint32_t code = 0;
  try {
    run();
    FuzzFail(__FILE__, __LINE__, "Run() ended the process", "it returned");
  } catch (const fake::ProcessEnded& ended) {
    code = ended.code;
  }
  FUZZ_CHECK(code == model.code,
             std::to_string(code) + " instead of " + std::to_string(model.code));
  CheckCalls(model.calls, fake::Calls());
  return 0;
}
