// Runs nobody watches, on the real shell: the run log, the starts that fail without a box, and
// the verb, window state and folder that each started program gets.
#include <sstream>

#include "e2e.h"

namespace e2e {
namespace {

// The log's lines, each ending in CR LF, cut at their tabs.
std::vector<std::vector<std::string>> LogFields(const std::string& log) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    EXPECT_EQ('\r', line.back()) << line;
    line.back() = '\t';
    lines.emplace_back();
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) lines.back().push_back(field);
  }
  return lines;
}

// Some fields of a log line, by their indexes; one the line lacks is "?".
std::vector<std::string> Picked(const std::vector<std::string>& line,
                                std::initializer_list<size_t> indexes) {
  std::vector<std::string> fields;
  for (size_t i : indexes) fields.push_back(i < line.size() ? line[i] : "?");
  return fields;
}

// On a display, where Wine's shell would show its error box for the missing entry and wait for
// a click: with /Q the run goes on at once, logs each entry, and ends with 1.
TEST_F(E2eTest, QuietRunOnADisplayNeverWaitsForAnErrorBox) {
  ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
  WriteFile("a.cvtest", "");
  WriteFile("list.txt", "missing.cvtest\r\n\r\na.cvtest\r\n");
  CorvaneRun run = RunCorvane("/Q /O:run.log /L:list.txt");
  EXPECT_EQ(1u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1, true);
  ASSERT_EQ(1u, starts.size());
  const auto lines = LogFields(FileBytes("run.log"));
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ((std::vector<std::string>{"1", "failed", "2", "-", "File not found.", "open",
                                      "\"missing.cvtest\""}),
            Picked(lines[0], {0, 2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(8u, lines[1].size());
  EXPECT_EQ("3", lines[1][0]);
  EXPECT_EQ("started", lines[1][2]);
  EXPECT_EQ(std::to_string(starts[0].pid), lines[1][4]);  // the very process that started
  EXPECT_EQ(29u, lines[1][1].size()) << lines[1][1];       // 2026-12-09T07:45:02.120+01:00
}

// With /Q, wherever the usage box would show and wait for a click, the run ends at once with 87.
// A box would hold the run until the wait below gives up.
TEST_F(E2eTest, QuietRunOnADisplayNeverShowsTheUsageBox) {
  ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
  WriteFile("list.txt", "a.cvtest\r\n");
  for (const char* arguments : {"/Q /T:0.0005 /L:list.txt", "/Q", "plain /Q /L:list.txt"}) {
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), RunCorvane(arguments, 30000).exit_code)
        << arguments;
  }
  EXPECT_TRUE(Starts().empty());
}

// The print verb of the type, a minimised window, and the folder: once as given, once each
// entry's own, where the relative entry reaches the program made full, since the program would
// look for it from there again. The log ends with the verb and the folder.
TEST_F(E2eTest, UnattendedVerbWindowStateAndFolder) {
  MakeFolder("sub dir");
  MakeFolder("elsewhere");
  WriteFile("sub dir\\a.cvtest", "");
  WriteFile("list.txt", "\"sub dir\\a.cvtest\"\r\n");
  CorvaneRun given = RunCorvane("/V:print /S:min \"/D:" + Path("elsewhere") + "\" /L:list.txt");
  EXPECT_EQ(0u, given.exit_code);
  CorvaneRun own = RunCorvane("/D /S:max /O:run.log /X:" + Probe() + " /L:list.txt");
  EXPECT_EQ(0u, own.exit_code);
  std::vector<ProbeStart> starts = Starts(2);
  ASSERT_EQ(2u, starts.size());
  EXPECT_TRUE(SameCommandLine(starts[0].command_line,
                              ShellCommandLine(Probe(), "/print " + Quoted(Path("sub dir\\a.cvtest")))));
  EXPECT_EQ(SW_SHOWMINNOACTIVE, starts[0].show);
  EXPECT_EQ(Path("elsewhere"), starts[0].folder);
  EXPECT_TRUE(SameCommandLine(starts[1].command_line,
                              ShellCommandLine(Probe(), Quoted(Path("sub dir\\a.cvtest")))));
  EXPECT_EQ(std::vector<std::string>{Path("sub dir\\a.cvtest")}, starts[1].arguments);
  EXPECT_EQ(SW_SHOWMAXIMIZED, starts[1].show);
  EXPECT_EQ(Path("sub dir"), starts[1].folder);
  const auto lines = LogFields(FileBytes("run.log"));
  ASSERT_EQ(1u, lines.size());
  ASSERT_EQ(11u, lines[0].size());
  EXPECT_EQ((std::vector<std::string>{"program", Probe(), Quoted(Path("sub dir\\a.cvtest")), "",
                                      Path("sub dir")}),
            std::vector<std::string>(lines[0].begin() + 6, lines[0].end()));
}

// /D alone gives a URL, and a UNC path too short to have a folder, no folder of their own (seen
// in the preview: nothing is opened). /D:<folder> is where a relative entry's program is looked
// up, as the shell opens the entry there: the file is only there.
TEST_F(E2eTest, UnattendedFolderOfEntriesWithoutOneAndOfTheLookup) {
  WriteFile("urls.txt", "https://example.invalid/a b\r\n\\\\server\\share\r\n");
  EXPECT_EQ(0u, RunCorvane("/D /N /L:urls.txt", 60000, "preview.txt").exit_code);
  EXPECT_EQ("open\t\"https://example.invalid/a b\"\t\t\r\nopen\t\"\\\\server\\share\"\t\t\r\n",
            FileBytes("preview.txt"));
  MakeFolder("elsewhere");
  WriteFile("elsewhere\\only there.cvtest", "");
  WriteFile("list.txt", "only there.cvtest\r\n");
  EXPECT_EQ(0u, RunCorvane("\"/D:" + Path("elsewhere") + "\" /E:-p /L:list.txt").exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ(Probe(), starts[0].module);
  EXPECT_EQ((std::vector<std::string>{"only there.cvtest", "-p"}), starts[0].arguments);
  EXPECT_EQ(Path("elsewhere"), starts[0].folder);
}

// /I expands the names set in corvane's environment, in any letter case, in entries and option
// values; an unset name stays. Wine's shell leaves parameters alone, so what the probe gets is
// corvane's doing. /K skips comment lines, which still count in the log's line numbers.
TEST_F(E2eTest, UnattendedExpandsNamesAndSkipsComments) {
  SetEnvironmentVariableA("CORVANE_TEST_DIR", "C:\\expanded");
  WriteFile("list.txt",
            "%CORVANE_TEST_DIR%\\a.cvtest\r\n;%CORVANE_TEST_DIR%\\b.cvtest\r\n  # c.cvtest\r\n"
            "%corvane_test_dir%\\d %CORVANE_UNSET_NAME%.cvtest\r\n");
  CorvaneRun run =
      RunCorvane("/I /K /O:run.log /X:" + Probe() + " /B:-b=%CORVANE_TEST_DIR% /L:list.txt");
  SetEnvironmentVariableA("CORVANE_TEST_DIR", nullptr);
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(2);
  ASSERT_EQ(2u, starts.size());
  EXPECT_EQ((std::vector<std::string>{"-b=C:\\expanded", "C:\\expanded\\a.cvtest"}),
            starts[0].arguments);
  EXPECT_EQ(
      (std::vector<std::string>{"-b=C:\\expanded", "C:\\expanded\\d %CORVANE_UNSET_NAME%.cvtest"}),
      starts[1].arguments);
  const auto lines = LogFields(FileBytes("run.log"));
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("1", lines[0][0]);
  EXPECT_EQ("4", lines[1][0]);
}

// Creates a file once a log has its first line, then ends.
struct LateFile {
  std::wstring log, file;
  volatile LONG stop = 0;
};

DWORD WINAPI CreateOnceLogged(void* parameter) {
  LateFile* late = static_cast<LateFile*>(parameter);
  WIN32_FILE_ATTRIBUTE_DATA data;
  while (!late->stop) {
    if (GetFileAttributesExW(late->log.c_str(), GetFileExInfoStandard, &data) &&
        data.nFileSizeLow > 0) {
      CloseHandle(CreateFileW(late->file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
      return 0;
    }
    Sleep(10);
  }
  return 0;
}

// The document appears only after the first try failed: a later try starts it, and every failed
// try before is a retry line. Its appearance follows the log, not the clock, so a slow start of
// corvane cannot make the first try succeed; five more tries are left for the file to be seen.
TEST_F(E2eTest, UnattendedRetriesARefusedStart) {
  WriteFile("list.txt", "late.cvtest\r\n");
  LateFile late;
  late.log = Wide(Path("run.log"));
  late.file = Wide(Path("late.cvtest"));
  HANDLE creator = CreateThread(nullptr, 0, CreateOnceLogged, &late, 0, nullptr);
  ASSERT_NE(nullptr, creator);
  CorvaneRun run = RunCorvane("/R:5,1 /O:run.log /L:list.txt");
  late.stop = 1;
  WaitForSingleObject(creator, INFINITE);
  CloseHandle(creator);
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(1);
  ASSERT_EQ(1u, starts.size());
  EXPECT_TRUE(SameCommandLine(starts[0].command_line,
                              ShellCommandLine(Probe(), Quoted(Path("late.cvtest")))));
  const auto lines = LogFields(FileBytes("run.log"));
  ASSERT_GE(lines.size(), 2u);
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ((std::vector<std::string>{"1", "retry", "2", "-"}), Picked(lines[i], {0, 2, 3, 4}));
  EXPECT_EQ((std::vector<std::string>{"1", "started", "0", std::to_string(starts[0].pid)}),
            Picked(lines.back(), {0, 2, 3, 4}));
  EXPECT_GE(run.ElapsedMs(), static_cast<long long>(lines.size() - 1) * 900);  // 1 s apart
}

struct RunningRow {
  const char* label;
  const char* options;  // %s: this test's folder
  const char* entry;    // %s: this test's folder
  bool running;         // else the entry names another file, which is started
};

class UnattendedRunning : public E2eTest, public testing::WithParamInterface<RunningRow> {};

// With /A a program that already runs is not started again: its line says `running`, with the
// id of the process that runs it. A copy of the probe in bin\ runs throughout; another copy of
// the same name elsewhere is no match.
TEST_P(UnattendedRunning, IsNotStartedAgain) {
  const RunningRow& row = GetParam();
  MakeFolder("bin");
  MakeFolder("other");
  const std::string program = CopyProbe("bin\\Already Running.exe");
  CopyProbe("other\\Already Running.exe");
  std::wstring line = Wide(Quoted(program));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION running = {};
  SetEnvironmentVariableA("CORVANE_PROBE_LINGER_MS", "600000");
  ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &running));
  SetEnvironmentVariableA("CORVANE_PROBE_LINGER_MS", nullptr);
  struct Ender {
    PROCESS_INFORMATION& process;
    ~Ender() {
      TerminateProcess(process.hProcess, 0);
      WaitForSingleObject(process.hProcess, 60000);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  } ender{running};
  ASSERT_EQ(1u, Starts(1).size());
  const std::string entry = Fill(row.entry, folder_);
  WriteFile("list.txt", entry + "\r\n");
  CorvaneRun run = RunCorvane("/A /O:run.log " + Fill(row.options, folder_) + " /L:list.txt");
  EXPECT_EQ(0u, run.exit_code);
  std::vector<ProbeStart> starts = Starts(row.running ? 1 : 2);
  ASSERT_EQ(row.running ? 1u : 2u, starts.size());
  const auto lines = LogFields(FileBytes("run.log"));
  ASSERT_EQ(1u, lines.size());
  const DWORD pid = row.running ? running.dwProcessId : starts[1].pid;
  EXPECT_EQ((std::vector<std::string>{row.running ? "running" : "started", "0",
                                      std::to_string(pid), "", "open", Quoted(entry)}),
            Picked(lines[0], {2, 3, 4, 5, 6, 7}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnattendedRunning,
    testing::Values(RunningRow{"full_path_in_other_letter_case", "",
                               "%s\\BIN\\already RUNNING.EXE", true},
                    RunningRow{"bare_name_in_other_letter_case", "", "aLREADY rUNNING.exe", true},
                    // Made full from the start folder, not from the current one.
                    RunningRow{"relative_to_the_start_folder", "\"/D:%s\\bin\"",
                               ".\\Already Running.exe", true},
                    RunningRow{"same_name_elsewhere", "", "%s\\other\\Already Running.exe", false}),
    [](const testing::TestParamInfo<RunningRow>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace e2e
