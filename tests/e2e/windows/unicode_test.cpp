// Names outside the ANSI code page, end to end: lists in UTF-8 and UTF-16 in each of the three
// modes, and a list and a program in a folder that the ANSI code page cannot name.
#include <tuple>

#include "e2e.h"

namespace e2e {
namespace {

const char kFolder[] = "☺ 日本";

// Documents of the registered type; the second lies in kFolder and has a character beyond
// U+FFFF, a surrogate pair in UTF-16.
const std::vector<std::string> kDocuments = {"日本 é☺.cvtest", "☺ 日本\\𝄞 Ω.cvtest"};

struct EncodedList {
  const char* label;
  std::string bytes;
};

std::vector<EncodedList> EncodedLists() {
  std::string lines;
  for (const std::string& document : kDocuments) lines += document + "\r\n";
  // As Windows PowerShell 5.1 writes a list: a mark, UTF-16LE, CR LF; and as cmd /u does, with
  // no mark, which is told by a first character from U+0001 to U+00FF: here a blank line.
  return {{"utf8", lines},
          {"utf16le_mark_crlf", "\xFF\xFE" + Utf16Le(lines)},
          {"utf16le_no_mark_crlf", Utf16Le("\r\n" + lines)}};
}

enum class Mode { kNamedProgram, kDocuments, kAssociatedProgram };

class UnicodeList : public E2eTest,
                    public testing::WithParamInterface<std::tuple<EncodedList, Mode>> {};

// The relative entry in kFolder is also the one the lookup of associated-program mode must find
// from the current folder.
TEST_P(UnicodeList, StartsEveryEntryIntact) {
  const EncodedList& list = std::get<0>(GetParam());
  const Mode mode = std::get<1>(GetParam());
  MakeFolder(kFolder);
  for (const std::string& document : kDocuments) WriteFile(document, "");
  WriteFile("list.txt", list.bytes);
  std::string options, after;
  if (mode == Mode::kNamedProgram) options = "/X:" + Probe();
  if (mode == Mode::kAssociatedProgram) {
    options = "/E:-e";
    after = " -e";
  }
  CorvaneRun run = RunCorvane(options + " /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(kDocuments.size());
  ASSERT_EQ(kDocuments.size(), starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    const std::string entry = mode == Mode::kDocuments ? Path(kDocuments[i]) : kDocuments[i];
    EXPECT_EQ(Probe(), starts[i].module);
    EXPECT_TRUE(
        SameCommandLine(starts[i].command_line, ShellCommandLine(Probe(), Quoted(entry) + after)));
  }
}

std::string ListAndMode(const testing::TestParamInfo<std::tuple<EncodedList, Mode>>& info) {
  static const char* const kModes[] = {"named_program", "documents", "associated_program"};
  return std::string(std::get<0>(info.param).label) + "_" +
         kModes[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Rows, UnicodeList,
                         testing::Combine(testing::ValuesIn(EncodedLists()),
                                          testing::Values(Mode::kNamedProgram, Mode::kDocuments,
                                                          Mode::kAssociatedProgram)),
                         ListAndMode);

struct PathRow {
  const char* label;
  const char* list;
  const char* program;  // a copy of the probe made there; null: the probe itself
};

class UnicodePaths : public E2eTest, public testing::WithParamInterface<PathRow> {};

// The list's path reaches CreateFileW, and the program's ShellExecuteExW, as they were given.
TEST_P(UnicodePaths, AreReachedWhole) {
  const PathRow& row = GetParam();
  MakeFolder(kFolder);
  const std::string program = row.program ? CopyProbe(row.program) : Probe();
  WriteFile(row.list, "日本 é☺.txt\r\n");
  CorvaneRun run = RunCorvane("\"/X:" + program + "\" \"/L:" + row.list + "\"");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(program, starts[0].module);
  EXPECT_TRUE(
      SameCommandLine(starts[0].command_line, ShellCommandLine(program, "\"日本 é☺.txt\"")));
}

INSTANTIATE_TEST_SUITE_P(Rows, UnicodePaths,
                         testing::Values(PathRow{"list", "☺ 日本\\list ☺.txt", nullptr},
                                         PathRow{"program", "list.txt", "☺ 日本\\probe ☺.exe"}),
                         [](const testing::TestParamInfo<PathRow>& info) {
                           return std::string(info.param.label);
                         });

}  // namespace
}  // namespace e2e
