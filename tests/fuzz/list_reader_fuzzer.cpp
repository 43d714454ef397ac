// The list reader, driven in the list run's order, on any bytes brought in reads of any size,
// with failed opens, reads and closes, in every encoding it may be told to read. Input: the list
// script (fuzz_support.h), then the file.
#include <algorithm>

#include "fuzz_support.h"
#include "platform/fake.h"
#include "read_entries.h"
#include "runtime/list_reader.h"

namespace {

size_t ReadsSoFar() {
  const std::vector<std::string>& calls = fake::Calls();
  return std::count(calls.begin(), calls.end(), kReadList);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputCursor input(data, size);
  ListScript script = TakeListScript(input);
  SetContent(script, input.Rest());
  ApplyListScript(script, fake::Reset());
  PendingIoError = 0;

  std::vector<ModelEntry> used;
  uint32_t code = 0;
  try {
    ReadEntries(
        Text("list.txt", 8),
        [&](const Text& entry) {
          used.push_back({S(entry), ReadsSoFar()});
        },
        script.forced);
  } catch (const fake::ProcessEnded& ended) {
    code = ended.code;
    FUZZ_CHECK(code != 0);
  }

  // What any entry must be, whatever the reads did.
  for (const ModelEntry& entry : used) {
    FUZZ_CHECK(!entry.text.empty());
    FUZZ_CHECK(!ModelBlank(entry.text[0]), Escaped(entry.text));
    FUZZ_CHECK(entry.text.find_first_of("\r\x1a") == std::string::npos, Escaped(entry.text));
    FUZZ_CHECK(ModelValidUtf8(entry.text), Escaped(entry.text));
  }

  // Exactly the entries, reads and end the rules give.
  std::vector<std::string> want = {kCreateList};
  uint32_t want_code = 0;
  if (script.open_fails) {
    want_code = script.open_error;
  } else {
    ModelListFile model = ModelReader(script.reads, script.forced);
    for (size_t i = 0; i < used.size() || i < model.entries.size(); ++i) {
      FUZZ_CHECK(
          i < used.size() && i < model.entries.size() && used[i].text == model.entries[i].text,
          "entry " + std::to_string(i + 1) + ": want " +
              (i < model.entries.size() ? Escaped(model.entries[i].text) : "none") + ", got " +
              (i < used.size() ? Escaped(used[i].text) : "none"));
      FUZZ_CHECK(used[i].reads == model.entries[i].reads,
                 "reads before entry " + std::to_string(i + 1));
    }
    want.insert(want.end(), model.reads, kReadList);
    want_code = model.failure;
    if (!model.failure) {
      want.push_back(kCloseList);
      if (script.close_fails) want_code = script.close_error;
    }
  }
  if (want_code) want.push_back(ExitCall(want_code));
  FUZZ_CHECK(code == want_code, std::to_string(code) + " instead of " + std::to_string(want_code));
  CheckCalls(want, fake::Calls());
  return 0;
}
