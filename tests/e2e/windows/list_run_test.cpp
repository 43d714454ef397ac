// The list run on the real shell: the three modes, the wait for each started program, and
// what the exit code says about the list file.
#include <algorithm>

#include "e2e.h"

namespace e2e {
namespace {

// The probe named with /X, ahead of the other options.
std::string WithProbe(const std::string& options) { return "/X:" + Probe() + " " + options; }

// Documents mode: each entry, quoted, is opened by the shell, which starts the probe for .cvtest
// with the document's full path.
TEST_F(E2eTest, ListRunOpensEntriesAsDocuments) {
  MakeFolder("sub dir");
  WriteFile("a.cvtest", "");
  WriteFile("b c.cvtest", "");
  WriteFile("sub dir\\d.cvtest", "");
  WriteFile("list.txt", "a.cvtest\r\n  \"b c.cvtest\"  \r\n\r\n\tsub dir\\d.cvtest");
  CorvaneRun run = RunCorvane("/L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(3);
  ASSERT_EQ(3u, starts.size());
  const char* documents[] = {"a.cvtest", "b c.cvtest", "sub dir\\d.cvtest"};
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_TRUE(SameCommandLine(starts[i].command_line,
                                ShellCommandLine(Probe(), Quoted(Path(documents[i])))));
    EXPECT_EQ(SW_SHOWDEFAULT, starts[i].show);
  }
}

struct AssociatedRow {
  const char* label;
  const char* options;
  const char* command;  // %s: the quoted entry
};

class ListRunAssociated : public E2eTest, public testing::WithParamInterface<AssociatedRow> {};

// With /B or /E and no /X, each entry's own program is looked up and started with the command
// text. The list mixes two registered types with one that has none: that entry's text goes to
// the shell as the thing to open, nothing starts, and the run goes on. An entry in another
// folder is found by its full path, and by a relative one from the current folder, where the
// shell opens it too (corvane runs in the test's folder, not in its own); a full path written
// in quotes, as cmd users do, is found too and passed on as written.
TEST_P(ListRunAssociated, StartsEachEntrysOwnProgram) {
  const AssociatedRow& row = GetParam();
  MakeFolder("sub dir");
  WriteFile("a.cvtest", "");
  WriteFile("b.cvalt", "");
  WriteFile("c.cvnone", "");
  WriteFile("sub dir\\d e.cvtest", "");
  const std::string full = Path("sub dir\\d e.cvtest");
  WriteFile("list.txt", "a.cvtest\r\nb.cvalt\r\nc.cvnone\r\n" + full +
                            "\r\nsub dir\\d e.cvtest\r\n " + Quoted(full) + "  \r\n");
  CorvaneRun run = RunCorvane(std::string(row.options) + " /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(5);
  ASSERT_EQ(5u, starts.size());
  const std::pair<std::string, std::string> expected[] = {{Probe(), "\"a.cvtest\""},
                                                          {ProbeAlt(), "\"b.cvalt\""},
                                                          {Probe(), Quoted(full)},
                                                          {Probe(), "\"sub dir\\d e.cvtest\""},
                                                          {Probe(), Quoted(full)}};
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(expected[i].first, starts[i].module);
    EXPECT_TRUE(SameCommandLine(
        starts[i].command_line,
        ShellCommandLine(expected[i].first, Fill(row.command, expected[i].second))));
    EXPECT_EQ(SW_SHOWDEFAULT, starts[i].show);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ListRunAssociated,
                         testing::Values(AssociatedRow{"before_text", "/B:-b", "-b %s"},
                                         AssociatedRow{"after_text", "/E:-e", "%s -e"},
                                         AssociatedRow{"both", "/B:\"-b 1\" /E:-e", "-b 1 %s -e"}),
                         [](const testing::TestParamInfo<AssociatedRow>& info) {
                           return std::string(info.param.label);
                         });

struct NamedRow {
  const char* label;
  const char* options;  // besides /X and /L
  std::string list;
  std::vector<std::string> commands;
};

class ListRunNamedProgram : public E2eTest, public testing::WithParamInterface<NamedRow> {};

TEST_P(ListRunNamedProgram, StartsTheProgramWithEachCommandText) {
  const NamedRow& row = GetParam();
  WriteFile("list.txt", row.list);
  CorvaneRun run = RunCorvane(WithProbe(row.options) + " /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(row.commands.size());
  ASSERT_EQ(row.commands.size(), starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_TRUE(
        SameCommandLine(starts[i].command_line, ShellCommandLine(Probe(), row.commands[i])));
    EXPECT_EQ(SW_SHOWDEFAULT, starts[i].show);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListRunNamedProgram,
    testing::Values(
        NamedRow{"before_and_after", "/B:-b /E:-e", "a b.txt\r\n", {"-b \"a b.txt\" -e"}},
        // A leading blank of the E-text stays; the B-text's go with the trimming of the whole.
        NamedRow{"after_text_leading_blank", "/E:\" -e\"", "a.txt\r\n", {"\"a.txt\"  -e"}},
        NamedRow{"before_text_leading_blanks", "\"/B:  -b\"", "a.txt\r\n", {"-b \"a.txt\""}},
        NamedRow{"shell_characters",
                 "",
                 "R&D (draft) [v2] 100%.txt\r\n%TEMP%\r\n^a|b<c>d.txt\r\n",
                 {"\"R&D (draft) [v2] 100%.txt\"", "\"%TEMP%\"", "\"^a|b<c>d.txt\""}},
        NamedRow{"quoted_entry", "", "  \"q r.txt\" \t\r\n", {"\"q r.txt\""}},
        // CR ends a line, CR LF too, LF alone does not.
        NamedRow{
            "line_ends", "", "a\nb\rc.txt\r\n\r\n\rd.txt", {"\"a\nb\"", "\"c.txt\"", "\"d.txt\""}},
        // Ctrl-Z ends the data, also inside a line.
        NamedRow{"ctrl_z",
                 "",
                 "one\r\ntw\x1a"
                 "o\r\nthree\r\n",
                 {"\"one\"", "\"tw\""}},
        NamedRow{"option_spelling", "-b=-b -e:-e", "a.txt", {"-b \"a.txt\" -e"}},
        NamedRow{
            "later_option_wins", "/B:first /Q:ignored /B:second", "a.txt", {"second \"a.txt\""}},
        NamedRow{"options_outside_the_ansi_code_page",
                 "/B:→ \"/E:ü ☺\"",
                 "日本.txt",
                 {"→ \"日本.txt\" ü ☺"}},
        // Without a mark each entry is UTF-8 when it can be, else in the ANSI code page (1252).
        NamedRow{"utf8_and_ansi_entries",
                 "",
                 "日本\r\ncaf\xE9\r\n\xE2\x82\xAC\r\n\x80\r\n",
                 {"\"日本\"", "\"café\"", "\"€\"", "\"€\""}},
        // /C: forces a code page, which the system converts. (How corvane reads the Unicode
        // forms and the list rules in them are the unit tests' over the fake.)
        NamedRow{"forced_ansi", "/C:Ansi", "\xC3\xA9\r\n", {"\"Ã©\""}},
        NamedRow{"forced_oem", "/C:oem", "\x82\x9B\r\n", {"\"é¢\""}},  // 437
        NamedRow{"forced_850", "/C:850", "\x82t\x82 \xA4\x9B\r\n", {"\"été ñø\""}}),
    [](const testing::TestParamInfo<NamedRow>& info) { return std::string(info.param.label); });

// A folder that ends in a backslash reaches the program as its C runtime splits the command
// line: the folder, then the after-text. The backslashes before the quote corvane adds are
// doubled for that.
TEST_F(E2eTest, ListRunFolderEndingInABackslash) {
  WriteFile("list.txt", "C:\\My Folder\\\r\nD:\\\r\n");
  CorvaneRun run = RunCorvane(WithProbe("/E:-p /L:list.txt"));
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(2);
  ASSERT_EQ(2u, starts.size());
  EXPECT_TRUE(SameCommandLine(starts[0].command_line,
                              ShellCommandLine(Probe(), "\"C:\\My Folder\\\\\" -p")));
  EXPECT_EQ((std::vector<std::string>{"C:\\My Folder\\", "-p"}), starts[0].arguments);
  EXPECT_EQ((std::vector<std::string>{"D:\\", "-p"}), starts[1].arguments);
}

TEST_F(E2eTest, ListRunNamedProgramWithBlanksInItsPath) {
  MakeFolder("my tools");
  std::string program = CopyProbe("my tools\\probe copy.exe");
  WriteFile("list.txt", "a.txt\r\n");
  CorvaneRun run = RunCorvane("\"/X:" + program + "\" /B:-b /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(program, starts[0].module);
  EXPECT_TRUE(SameCommandLine(starts[0].command_line, ShellCommandLine(program, "-b \"a.txt\"")));
}

struct PastMaxPathRow {
  const char* label;
  bool long_program;  // else a long document
  const char* options;
  const char* command;     // %s: the quoted entry
  const char* wine_limit;  // why Wine does not start it
};

class ListRunPastMaxPath : public E2eTest, public testing::WithParamInterface<PastMaxPathRow> {};

// A program or document whose full path is longer than MAX_PATH goes to the shell whole.
// Where the shell cannot start it, as under Wine, the test says why and is skipped.
TEST_P(ListRunPastMaxPath, StartsIt) {
  const PastMaxPathRow& row = GetParam();
  const std::string deep = std::string(120, 'd') + "\\" + std::string(120, 'd');
  MakeFolder(deep.substr(0, 120));
  MakeFolder(deep);
  std::string program = Probe(), entry = "a.cvtest", options = row.options;
  if (row.long_program) {
    program = CopyProbe(deep + "\\probe.exe");
    options = "\"/X:" + program + "\"";
    ASSERT_GT(program.size(), 260u);
  } else {
    WriteFile(deep + "\\doc.cvtest", "");
    entry = Path(deep + "\\doc.cvtest");
    ASSERT_GT(entry.size(), 260u);
  }
  WriteFile("list.txt", entry + "\r\n");
  CorvaneRun run = RunCorvane(options + " /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts();
  if (starts.empty() && GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << row.wine_limit;
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(program, starts[0].module);
  EXPECT_TRUE(SameCommandLine(starts[0].command_line,
                              ShellCommandLine(program, Fill(row.command, Quoted(entry)))));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListRunPastMaxPath,
    testing::Values(
        PastMaxPathRow{"named_program", true, "", "%s",
                       "Wine's CreateProcessW answers 2 (file not found) for a program path "
                       "over MAX_PATH, so ShellExecuteExW fails"},
        PastMaxPathRow{"document", false, "", "%s",
                       "Wine's ShellExecuteExW finds no document past MAX_PATH: its lookup "
                       "searches into a MAX_PATH buffer and answers SE_ERR_FNF"},
        PastMaxPathRow{"associated_program", false, "/E:-e", "%s -e",
                       "Wine's FindExecutableW answers SE_ERR_FNF past MAX_PATH (the same "
                       "lookup), and the entry handed to the shell to open fails too"}),
    [](const testing::TestParamInfo<PastMaxPathRow>& info) {
      return std::string(info.param.label);
    });

// Each probe takes 1 s to become idle; the next entry is started only after that.
TEST_F(E2eTest, ListRunStartsEachEntryOnlyOnceThePreviousIsIdle) {
  WriteFile("list.txt", "one.txt\r\ntwo.txt\r\nthree.txt\r\n");
  SetIdleDelay(1000);
  CorvaneRun run = RunCorvane(WithProbe("/L:list.txt"));
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(3, true);
  ASSERT_EQ(3u, starts.size());
  const char* entries[] = {"\"one.txt\"", "\"two.txt\"", "\"three.txt\""};
  for (size_t i = 0; i < starts.size(); ++i)
    EXPECT_TRUE(SameCommandLine(starts[i].command_line, ShellCommandLine(Probe(), entries[i])));
  for (size_t i = 1; i < starts.size(); ++i)
    EXPECT_GE(starts[i].started_us, starts[i - 1].idle_us) << "entry " << i + 1 << " started early";
  EXPECT_GE(run.ended_us, starts[2].idle_us);
  EXPECT_GE(run.ElapsedMs(), 3 * 700);
}

// With /W every entry is started at once; the probes take 3 s to become idle, and corvane is
// done long before the first of them is.
TEST_F(E2eTest, ListRunWithWStartsWithoutWaiting) {
  WriteFile("list.txt", "one.txt\r\ntwo.txt\r\nthree.txt\r\n");
  SetIdleDelay(3000);
  CorvaneRun run = RunCorvane(WithProbe("/W /L:list.txt"));
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(3, true);
  ASSERT_EQ(3u, starts.size());
  long long first_idle = starts[0].idle_us;
  for (const ProbeStart& start : starts) first_idle = std::min(first_idle, start.idle_us);
  EXPECT_LT(run.ended_us, first_idle) << "corvane waited for a probe";
  for (const ProbeStart& start : starts) EXPECT_LT(start.started_us, first_idle);
  std::vector<std::string> lines;
  for (const ProbeStart& start : starts) lines.push_back(WithoutLoaderBlank(start.command_line));
  std::sort(lines.begin(), lines.end());
  std::vector<std::string> expected = {ShellCommandLine(Probe(), "\"one.txt\""),
                                       ShellCommandLine(Probe(), "\"three.txt\""),
                                       ShellCommandLine(Probe(), "\"two.txt\"")};
  EXPECT_EQ(expected, lines);
}

}  // namespace
}  // namespace e2e
