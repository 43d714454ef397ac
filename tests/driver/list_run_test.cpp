#include <algorithm>

#include "driver/run.h"
#include "text/helpers.h"
#include "test_support.h"

namespace {

void* const kProcess = reinterpret_cast<void*>(0x100);

using namespace std::string_literals;

const char kOpenList[] = "CreateFile(\"list.txt\")";

class ListRunTest : public FakeTest {
 protected:
  long long RunListOf(const std::string& bytes) {
    FileList = T("list.txt");
    fake::ScriptFile(bytes, 128);
    return ExitCodeOf([] { RunList(); });
  }
};

// The calls of a run over a list that fits one read and ends in a line end; each step is a
// shell request or a lookup.
Strings ListCalls(const Strings& steps, bool wait) {
  Strings calls = {kOpenList, kPrepareShell, kReadList};
  int started = 0;
  for (const std::string& step : steps) {
    calls.push_back(step);
    if (step.rfind("ShellExecute", 0) != 0) continue;
    if (wait) calls.push_back(WaitIdleOf(started));
    calls.push_back(CloseOf(started++));
  }
  calls.push_back(kReadList);
  calls.push_back(kCloseList);
  return calls;
}

TEST_F(ListRunTest, NamedProgramAndDocuments) {
  struct Case {
    const char *x, *b, *e;
    bool wait;
    std::string list;
    Strings requests;
    bool linux_port = false;  // whose started programs split their parameters by corvane's rules
  };
  const Case cases[] = {
      // A program would read a backslash before the closing quote as escaping it; a document's
      // text is the shell's, which takes the quotes off itself.
      {"v.exe", "", "-p", false, "C:\\My Folder\\\r\nD:\\\r\n\"E:\\q\\\"\r\n",
       {ShellRequest("v.exe", "\"C:\\My Folder\\\\\" -p"), ShellRequest("v.exe", "\"D:\\\\\" -p"),
        ShellRequest("v.exe", "\"E:\\q\\\" -p")}},
      {"v.exe", "", "-p", false, "D:\\\r\n", {ShellRequest("v.exe", "\"D:\\\" -p")}, true},
      {"", "", "", false, "D:\\\r\n", {ShellRequest("\"D:\\\"", nullptr)}},
      {"viewer.exe", "-r", "-z", true, "C:\\docs\\a b.txt\r\n  plain.txt  \r\n",
       {ShellRequest("viewer.exe", "-r \"C:\\docs\\a b.txt\" -z"),
        ShellRequest("viewer.exe", "-r \"plain.txt\" -z")}},
      {"v.exe", "", "-z  ", false, "a.txt\r\n", {ShellRequest("v.exe", "\"a.txt\" -z")}},
      {"v.exe", "-r", "", true, "a.txt\r\n", {ShellRequest("v.exe", "-r \"a.txt\"")}},
      // A leading blank of the E-text stays; the B-text's goes with the trim of the whole.
      {"v.exe", "  -r", " -z", true, "a.txt\r\n", {ShellRequest("v.exe", "-r \"a.txt\"  -z")}},
      {"v.exe", "", "", true, "\"a b.txt\"\r\na & b %PATH% [1] (x).txt\r\n",
       {ShellRequest("v.exe", "\"a b.txt\""),
        ShellRequest("v.exe", "\"a & b %PATH% [1] (x).txt\"")}},
      {"", "", "", true, "C:\\docs\\a b.txt\r\n\"q.txt\"  \r\n",
       {ShellRequest("\"C:\\docs\\a b.txt\"", nullptr), ShellRequest("\"q.txt\"", nullptr)}},
      {"", "", "", false, " \t\r\n\r\n", {}},
  };
  for (const Case& c : cases) {
    Restart();
    ExeFile = T(c.x);
    BParams = T(c.b);
    EParams = T(c.e);
    Wait = c.wait ? WaitMode::kInputIdle : WaitMode::kNone;
    Fake().backslashes_escape_quotes = !c.linux_port;
    EXPECT_EQ(-1, RunListOf(c.list)) << c.list;
    EXPECT_EQ(ListCalls(c.requests, c.wait), Calls()) << c.list;
  }
  Restart();
  RunListOf("");
  EXPECT_EQ(Strings({kOpenList, kPrepareShell, kReadList, kCloseList}), Calls());
}

TEST_F(ListRunTest, AssociatedProgramLookedUpPerEntry) {
  const std::string probe = "C:\\Probe\\probe.exe";
  BParams = T("-p");
  Fake().find = {{42, probe}, {31, ""}, {33, "D:\\other.exe"}};
  EXPECT_EQ(-1, RunListOf("C:\\docs\\a.foo  \r\nb.bar\r\n\"D:\\x y.baz\"\r\n"));
  // The failed lookup in the middle is the test that NoExe was decided once.
  EXPECT_EQ(
      ListCalls({"FindExecutable(\"C:\\docs\\a.foo\", \"C:\\docs\\\", cleared)",
                 ShellRequest(probe, "-p \"C:\\docs\\a.foo\""),
                 "FindExecutable(\"b.bar\", \"\", cleared)", ShellRequest("-p \"b.bar\"", nullptr),
                 "FindExecutable(\"D:\\x y.baz\", \"D:\\\", cleared)",
                 ShellRequest("D:\\other.exe", "-p \"D:\\x y.baz\"")},
                true),
      Calls());
  EXPECT_EQ(T("D:\\other.exe"), ExeFile);

  Restart().find = {{42, probe}};
  EParams = T("-z");
  RunListOf("a.foo\r\n");
  EXPECT_EQ(
      ListCalls({"FindExecutable(\"a.foo\", \"\", cleared)", ShellRequest(probe, "\"a.foo\" -z")},
                true),
      Calls());
}

TEST_F(ListRunTest, IoFailureEndsTheRunAtEachCheck) {
  const Strings a = {ShellRequest("v.exe", "\"a\""), WaitIdleOf(0), CloseOf(0)};
  const Strings b = {ShellRequest("v.exe", "\"b\""), WaitIdleOf(1), CloseOf(1)};
  struct Case {
    const char* what;
    std::deque<fake::ReadResult> reads;
    bool open_ok, close_ok;
    long long code;
    std::vector<Strings> calls;  // joined in order
  };
  const Case cases[] = {
      {"open", {}, false, true, 2, {{kOpenList}}},
      {"end test",
       {{"a\r\n", 0}, {"", 23}},
       true,
       true,
       23,
       {{kOpenList, kPrepareShell, kReadList}, a, {kReadList}}},
      {"entry",
       {{"ab", 0}, {"", 5}},
       true,
       true,
       5,
       {{kOpenList, kPrepareShell, kReadList, kReadList, kReadList}}},
      {"line end",
       {{"a\r", 0}, {"", 6}},
       true,
       true,
       6,
       {{kOpenList, kPrepareShell, kReadList, kReadList}}},
      {"entry, then line end",
       {{"ab", 0}, {"", 5}, {"", 6}},
       true,
       true,
       6,
       {{kOpenList, kPrepareShell, kReadList, kReadList, kReadList}}},
      {"close",
       {{"a\r\nb\r\n", 0}},
       true,
       false,
       6,
       {{kOpenList, kPrepareShell, kReadList}, a, b, {kReadList, kCloseList}}},
      {"109",
       {{"a\r\nb\r\n", 0}, {"", 109}},
       true,
       true,
       -1,
       {{kOpenList, kPrepareShell, kReadList}, a, b, {kReadList, kCloseList}}},
  };
  for (const Case& c : cases) {
    fake::State& fake = Restart();
    ExeFile = T("v.exe");
    fake.reads = c.reads;
    fake.open_ok = c.open_ok;
    fake.close_ok = c.close_ok;
    EXPECT_EQ(c.code, RunListOf("")) << c.what;
    Strings want;
    for (const Strings& part : c.calls) want.insert(want.end(), part.begin(), part.end());
    if (c.code >= 0) want.push_back("ExitProcess(" + std::to_string(c.code) + ")");
    EXPECT_EQ(want, Calls()) << c.what;
  }
}

// The lines say what the shell would have been handed; nothing is started or waited for.
TEST_F(ListRunTest, PreviewWritesEachStartInstead) {
  const std::string probe = "C:\\Probe\\probe.exe";
  struct Case {
    const char *x, *b, *e;
    std::deque<fake::FindResult> find;
    std::string list;
    Strings lines;
    Strings lookups;  // one before each line, when looked up
  };
  const Case cases[] = {
      {"v.exe",
       "-r",
       "-z",
       {},
       "a b.txt\r\n日本 é☺.ext\r\n",
       {"program\tv.exe\t-r \"a b.txt\" -z", "program\tv.exe\t-r \"日本 é☺.ext\" -z"}},
      {"", "", "", {}, "a b.txt\r\n\"q\tr\" \r\n", {"open\t\"a b.txt\"", "open\t\"q\tr\""}},
      // Each entry's own program, and a lookup that finds none: its whole text is opened.
      {"",
       "-p",
       "",
       {{42, probe}, {31, ""}},
       "a.foo\r\nb.bar\r\n",
       {"program\t" + probe + "\t-p \"a.foo\"", "open\t-p \"b.bar\""},
       {"FindExecutable(\"a.foo\", \"\", cleared)", "FindExecutable(\"b.bar\", \"\", cleared)"}},
      {"v.exe", "", "", {}, "nul\0after\r\n"s, {"program\tv.exe\t\"nul\xEF\xBF\xBD" "after\""}},
      // A looked-up program gets its parameters; a failed lookup's text is opened as it is.
      {"", "", "-p", {{42, probe}, {31, ""}}, "d\\\r\ne\\\r\n",
       {"program\t" + probe + "\t\"d\\\\\" -p", "open\t\"e\\\" -p"},
       {"FindExecutable(\"d\\\", \"\", cleared)", "FindExecutable(\"e\\\", \"\", cleared)"}},
  };
  for (const Case& c : cases) {
    fake::State& fake = Restart();
    ExeFile = T(c.x);
    BParams = T(c.b);
    EParams = T(c.e);
    Preview = true;
    fake.find = c.find;
    EXPECT_EQ(-1, RunListOf(c.list)) << c.list;
    Strings want = {kOpenList, kPrepareShell, kReadList};
    for (size_t i = 0; i < c.lines.size(); ++i) {
      if (!c.lookups.empty()) want.push_back(c.lookups[i]);
      want.push_back("Output(\"" + c.lines[i] + "\")");
    }
    want.insert(want.end(), {kReadList, kCloseList, "FinishOutput(\"Corvane v1.3\", null)"});
    EXPECT_EQ(want, Calls()) << c.list;
  }

  // A failed write ends the run at once with its code; a list failure after lines, with its own.
  Restart().output_writes_left = 1;
  Preview = true;
  ExeFile = T("v.exe");
  EXPECT_EQ(232, RunListOf("a\r\nb\r\nc\r\n"));
  EXPECT_EQ(Strings({kOpenList, kPrepareShell, kReadList, "Output(\"program\tv.exe\t\"a\"\")",
                     "Output(\"program\tv.exe\t\"b\"\")", "ExitProcess(232)"}),
            Calls());
  // A list that fails part way, or at once, still shows what it has, and a last line for the box.
  Restart().reads = {{"a\r\n", 0}, {"", 23}};
  Preview = true;
  EXPECT_EQ(23, RunListOf(""));
  EXPECT_EQ(Strings({kOpenList, kPrepareShell, kReadList, "Output(\"open\t\"a\"\")", kReadList,
                     "FinishOutput(\"Corvane v1.3\", \"The list could not be read: error 23\")",
                     "ExitProcess(23)"}),
            Calls());
  Restart().open_ok = false;
  Preview = true;
  EXPECT_EQ(2, RunListOf(""));
  EXPECT_EQ(Strings({kOpenList, "FinishOutput(\"Corvane v1.3\", \"The list could not be read: error 2\")",
                     "ExitProcess(2)"}),
            Calls());
}

// One line per entry, each written as soon as its start is over: its line in the list (every CR
// ends one, blank lines count), the time, how it went, and what the shell was handed. Under /Q
// the exit code says whether any entry failed.
TEST_F(ListRunTest, RunLogAndQuietExitCode) {
  const int kDone = static_cast<int>(platform::WaitResult::kDone);
  const int kTimedOut = static_cast<int>(platform::WaitResult::kTimedOut);
  const int kFailed = static_cast<int>(platform::WaitResult::kFailed);
  const std::string at = "\t2026-12-09T07:45:02.120+01:00\t";
  struct Case {
    const char* label;
    WaitMode wait;
    bool quiet;
    std::deque<fake::ShellResult> shell;
    std::deque<fake::WaitScript> waits;
    Strings lines;  // a is on line 1, b on line 3, c on line 5
    long long code;
  };
  const Case cases[] = {
      {"started, failed, handed on", WaitMode::kNone, true,
       {{true, kProcess, 0}, {false, nullptr, 2}, {true, nullptr, 0}}, {},
       {"1" + at + "started\t0\t256\t\tprogram\tv.exe\t\"a\"",
        "3" + at + "failed\t2\t-\tError 2. Second line.\tprogram\tv.exe\t\"b\"",
        "5" + at + "started\t0\t-\t\tprogram\tv.exe\t\"c\""},
       1},
      {"a failure is the shell's to show without /Q", WaitMode::kNone, false,
       {{true, kProcess, 0}, {false, nullptr, 0, 31}, {true, kProcess, 0}}, {},
       {"1" + at + "started\t0\t256\t\tprogram\tv.exe\t\"a\"",
        "3" + at + "failed\t31\t-\tError 31. Second line.\tprogram\tv.exe\t\"b\"",
        "5" + at + "started\t0\t256\t\tprogram\tv.exe\t\"c\""},
       -1},
      // A program without a message queue cannot be waited for: it counts as started.
      {"input-idle late or not at all", WaitMode::kInputIdle, true, {},
       {{kTimedOut, 0}, {kFailed, 0}, {kDone, 0}},
       {"1" + at + "timeout\t0\t256\t\tprogram\tv.exe\t\"a\"",
        "3" + at + "started\t0\t260\t\tprogram\tv.exe\t\"b\"",
        "5" + at + "started\t0\t264\t\tprogram\tv.exe\t\"c\""},
       -1},
      {"exited and timed out", WaitMode::kEnd, true, {}, {{kDone, 0}, {kTimedOut, 0}, {kDone, 0}},
       {"1" + at + "exited\t0\t256\t\tprogram\tv.exe\t\"a\"",
        "3" + at + "timeout\t0\t260\t\tprogram\tv.exe\t\"b\"",
        "5" + at + "exited\t0\t264\t\tprogram\tv.exe\t\"c\""},
       -1},
      {"an exit code other than 0", WaitMode::kEnd, true, {}, {{kDone, 0}, {kDone, 3}, {kDone, 0}},
       {"1" + at + "exited\t0\t256\t\tprogram\tv.exe\t\"a\"",
        "3" + at + "exited\t3\t260\t\tprogram\tv.exe\t\"b\"",
        "5" + at + "exited\t0\t264\t\tprogram\tv.exe\t\"c\""},
       1},
  };
  for (const Case& c : cases) {
    fake::State& fake = Restart();
    fake.shell = c.shell;
    fake.waits = c.waits;
    ExeFile = T("v.exe");
    Wait = c.wait;
    Quiet = c.quiet;
    LogFile = {true, T("run.log")};
    EXPECT_EQ(c.code, RunListOf("a\r\n\r\nb\r\r\n \tc")) << c.label;
    Strings lines;
    for (const std::string& call : Calls())
      if (call.rfind("AppendLine(0x106, \"", 0) == 0) lines.push_back(call.substr(19, call.size() - 21));
    EXPECT_EQ(c.lines, lines) << c.label;
    EXPECT_EQ("CloseHandle(0x106)", Calls()[Calls().size() - (c.code < 0 ? 1 : 2)]) << c.label;
  }

  // West of UTC.
  Restart().utc_offset_minutes = -570;
  LogFile = {true, T("run.log")};
  RunListOf("a\r\n");
  EXPECT_NE(std::string::npos, Calls()[7].find("\t2026-12-09T07:45:02.120-09:30\t")) << Calls()[7];

  // A log that cannot be opened starts nothing; a failed write ends the run at once; /N writes
  // none.
  Restart().log_open_ok = false;
  LogFile = {true, T("no\\run.log")};
  EXPECT_EQ(3, RunListOf("a\r\n"));
  EXPECT_EQ(Strings({kOpenList, "CreateFile(\"no\\run.log\", append)", "ExitProcess(3)"}), Calls());
  Restart().log_writes_left = 0;
  LogFile = {true, T("run.log")};
  EXPECT_EQ(112, RunListOf("a\r\nb\r\n"));
  EXPECT_EQ("ExitProcess(112)", Calls().back());
  EXPECT_EQ(1, std::count_if(Calls().begin(), Calls().end(),
                             [](const std::string& call) { return call.rfind("ShellExec", 0) == 0; }));
  Restart();
  Preview = true;
  LogFile = {true, T("run.log")};
  PauseTime = {true, T("1")};
  RunListOf("a\r\nb\r\n");
  for (const std::string& call : Calls()) EXPECT_EQ(std::string::npos, call.find("0x106")) << call;
  for (const std::string& call : Calls()) EXPECT_NE(0u, call.rfind("Sleep", 0)) << call;
}

// The pause stands between two starts only.
TEST_F(ListRunTest, PauseBetweenStarts) {
  ExeFile = T("v.exe");
  Wait = WaitMode::kNone;
  PauseTime = {true, T("0.5")};
  RunListOf("a\r\nb\r\nc\r\n");
  EXPECT_EQ(ListCalls({ShellRequest("v.exe", "\"a\""), "Sleep(500)", ShellRequest("v.exe", "\"b\""),
                       "Sleep(500)", ShellRequest("v.exe", "\"c\"")},
                      false),
            Calls());
}

// /D without a value: each program starts in its own entry's folder, made full when relative.
TEST_F(ListRunTest, EntryFolders) {
  const std::pair<std::string, std::string> cases[] = {
      {"\"C:\\docs\\a b.txt\"  ", "C:\\docs"},
      {"C:\\a.txt", "C:\\"},
      {"\\\\srv\\share\\f.txt", "\\\\srv\\share"},
      {"docs\\sub\\a.txt", "C:\\work\\docs\\sub"},
      {"\"rel/x y.txt\"", "C:\\work\\rel"},
      {"/home/u/x", "/home/u"},
      {"/x", "/"},
      {"a.txt", ""},
  };
  for (const auto& c : cases) {
    Restart();
    ExeFile = T("v.exe");
    Preview = true;
    StartFolder = {true, Text()};
    RunListOf(c.first + "\r\n");
    EXPECT_EQ("Output(\"program\tv.exe\t" + S(QuoteEntry(T(c.first))) + "\t\t" + c.second + "\")",
              Calls()[3])
        << c.first;
  }
}

}  // namespace
