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
      // A field stays one field of one line: control characters are blanks there.
      {"", "", "", {}, "a b.txt\r\n\"q\tr\" \r\nx\ny\r\n", {"open\t\"a b.txt\"", "open\t\"q r\"", "open\t\"x y\""}},
      // Bytes that are no UTF-8 (in a Linux name, say) are U+FFFD there.
      {"v.exe", "\xff\x01", "", {}, "a\r\n", {"program\tv.exe\t\xEF\xBF\xBD  \"a\""}},
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

// The log's lines, in order, without the call around them.
Strings LogLines(const Strings& calls) {
  Strings lines;
  for (const std::string& call : calls)
    if (call.rfind("AppendLine(0x106, \"", 0) == 0) lines.push_back(call.substr(19, call.size() - 21));
  return lines;
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
        "3" + at + "failed\t1155\t-\tError 1155. Second line.\tprogram\tv.exe\t\"b\"",
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
    EXPECT_EQ(c.lines, LogLines(Calls())) << c.label;
    EXPECT_EQ("CloseHandle(0x106)", Calls()[Calls().size() - (c.code < 0 ? 1 : 2)]) << c.label;
  }

  // West of UTC.
  Restart().utc_offset_minutes = -570;
  LogFile = {true, T("run.log")};
  RunListOf("a\r\n");
  EXPECT_NE(std::string::npos, Calls()[9].find("\t2026-12-09T07:45:02.120-09:30\t")) << Calls()[9];

  // Before anything starts: a log that is the list itself is refused, one that cannot be opened
  // ends the run with the system's code, and a last line that a failed write cut short is ended
  // so that it swallows no record.
  const std::string check = "IsSameFile(0xf11e, \"run.log\")", open = "CreateFile(\"run.log\", append)",
                    ends = "EndsWithLineEnd(\"run.log\")";
  struct OpenCase {
    bool is_list, open_ok, torn;
    long long code;
    Strings calls;  // after the list's opening
  };
  const OpenCase opens[] = {
      {true, true, false, 87,
       {check, kUsageBox, "Diagnostic(\"corvane: /O:run.log is the list file\")", "ExitProcess(87)"}},
      {false, false, false, 3, {check, open, "ExitProcess(3)"}},
      {false, true, true, -1, {check, open, ends, "AppendLine(0x106, \"\")", kPrepareShell}},
      {false, true, false, -1, {check, open, ends, kPrepareShell}},
  };
  for (const OpenCase& c : opens) {
    fake::State& fake = Restart();
    fake.log_is_list = c.is_list;
    fake.log_open_ok = c.open_ok;
    fake.log_torn = c.torn;
    LogFile = {true, T("run.log")};
    EXPECT_EQ(c.code, RunListOf("")) << c.calls[1];
    Strings want = {kOpenList};
    want.insert(want.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(want, Strings(Calls().begin(), Calls().begin() + std::min(want.size(), Calls().size())));
  }

  // A failed write ends the run at once; /N writes none.
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

// The pause stands between two starts only; a second number is a pause before the first entry,
// whatever becomes of it, and a comment line is no entry.
TEST_F(ListRunTest, PauseBetweenStarts) {
  const std::string a = ShellRequest("v.exe", "\"a\""), b = ShellRequest("v.exe", "\"b\"");
  const std::pair<const char*, Strings> cases[] = {
      {"0.5", {a, "Sleep(500)", b}},
      {"0,30", {"Sleep(30000)", a, b}},
      {"1,2.5", {"Sleep(2500)", a, "Sleep(1000)", b}},
  };
  for (const auto& c : cases) {
    Restart();
    ExeFile = T("v.exe");
    Wait = WaitMode::kNone;
    Comments = true;
    PauseTime = {true, T(c.first)};
    RunListOf("; first\r\na\r\nb\r\n");
    EXPECT_EQ(ListCalls(c.second, false), Calls()) << c.first;
  }
}

// The lines written under /N, in order.
Strings OutputLines(const Strings& calls) {
  Strings lines;
  for (const std::string& call : calls)
    if (call.rfind("Output(\"", 0) == 0) lines.push_back(call.substr(8, call.size() - 10));
  return lines;
}

// /I: %NAME% in each entry, before anything else is done with it; /K: lines that start with ; or #
// (as written) are no entries.
TEST_F(ListRunTest, ExpandedEntriesAndComments) {
  struct Case {
    bool expand, comments;
    std::string list;
    Strings lines;
  };
  const Case cases[] = {
      {true, false, "%DOCS%\\a.txt\r\n%unset%\\b\r\n",
       {"open\t\"C:\\Users\\me\\a.txt\"", "open\t\"%unset%\\b\""}},
      {false, false, "%DOCS%\\a.txt\r\n;x\r\n", {"open\t\"%DOCS%\\a.txt\"", "open\t\";x\""}},
      {false, true, ";x\r\n  \t# y\r\n\"#1 agenda.txt\"\r\nz;#\r\n",
       {"open\t\"#1 agenda.txt\"", "open\t\"z;#\""}},
      // A comment is told as written; an entry that expands to nothing is a blank line.
      {true, true, "%SEMI%\r\n%EMPTY%\r\n", {"open\t\";x\""}},
  };
  for (const Case& c : cases) {
    Restart().environment = {{"DOCS", "C:\\Users\\me"}, {"SEMI", ";x"}, {"EMPTY", " "}};
    Expand = c.expand;
    Comments = c.comments;
    Preview = true;
    EXPECT_EQ(-1, RunListOf(c.list)) << c.list;
    EXPECT_EQ(c.lines, OutputLines(Calls())) << c.list;
  }
  // An entry that grows past 32767 characters is not started: logged with 206, as written, and the
  // run goes on. The lines still count after comments.
  Restart().environment = {{"BIG", std::string(32760, 'x')}};
  Expand = Comments = Quiet = true;
  ExeFile = T("v.exe");
  LogFile = {true, T("run.log")};
  EXPECT_EQ(1, RunListOf("#\r\n%BIG%\\12345678\r\n%BIG%\r\n"));
  const std::string at = "\t2026-12-09T07:45:02.120+01:00\t";
  EXPECT_EQ(Strings({"2" + at + "failed\t206\t-\tError 206. Second line.\tprogram\tv.exe\t\"%BIG%\\12345678\"",
                     "3" + at + "started\t0\t256\t\tprogram\tv.exe\t\"" + std::string(32760, 'x') + "\""}),
            LogLines(Calls()));
}

// /R: a start the shell refuses is made again, as a whole, after the pause between tries; every
// try but the last shows no box. A code no wait can mend is not tried again, but one last time
// for the shell's box when the run is not quiet.
TEST_F(ListRunTest, RetriedStarts) {
  const std::string at = "\t2026-12-09T07:45:02.120+01:00\t";
  const auto start = [](int mask) { return ShellRequest("v.exe", "\"a\"", nullptr, nullptr, 10, mask); };
  const auto line = [&at](const char* result, const char* code, const char* pid) {
    const std::string message = *pid == '-' ? std::string("Error ") + code + ". Second line." : "";
    return "AppendLine(0x106, \"1" + at + result + "\t" + code + "\t" + pid + "\t" + message +
           "\tprogram\tv.exe\t\"a\"\")";
  };
  struct Case {
    const char* retries;
    bool quiet;
    std::deque<fake::ShellResult> shell;
    Strings calls;  // from the first start to the end of the run
    long long code;
  };
  const fake::ShellResult ok{true, kProcess, 0}, missing{false, nullptr, 3},
      no_program{false, nullptr, 1155}, declined{false, nullptr, 1223};
  const Case cases[] = {
      {"2,1.5", false, {missing, missing, ok},
       {start(1344), line("retry", "3", "-"), "Sleep(1500)", start(1344), line("retry", "3", "-"),
        "Sleep(1500)", start(320), CloseOf(0), line("started", "0", "256")}, -1},
      {"1", true, {missing, missing},
       {start(1344), line("retry", "3", "-"), "Sleep(5000)", start(1344), line("failed", "3", "-")}, 1},
      {"3,0", false, {no_program, no_program},
       {start(1344), line("retry", "1155", "-"), start(320), line("failed", "1155", "-")}, -1},
      {"3", true, {no_program}, {start(1344), line("failed", "1155", "-")}, 1},
      {"3", false, {declined}, {start(1344), line("failed", "1223", "-")}, -1},
      {"0", false, {missing}, {start(320), line("failed", "3", "-")}, -1},
  };
  for (const Case& c : cases) {
    Restart().shell = c.shell;
    ExeFile = T("v.exe");
    Wait = WaitMode::kNone;
    Quiet = c.quiet;
    Retries = {true, T(c.retries)};
    LogFile = {true, T("run.log")};
    EXPECT_EQ(c.code, RunListOf("a\r\n")) << c.retries;
    const auto first = std::find_if(Calls().begin(), Calls().end(),
                                    [](const std::string& call) { return call.rfind("ShellEx", 0) == 0; });
    EXPECT_EQ(c.calls, Strings(first, std::find(first, Calls().end(), kReadList))) << c.retries;
  }
  // A lookup fails while a drive is missing as the start does: each try looks up again.
  Restart().find = {{31, ""}, {42, "C:\\p.exe"}};
  Fake().shell = {missing};
  EParams = T("-p");
  Retries = {true, T("1,0")};
  RunListOf("a.foo\r\n");
  EXPECT_EQ(2, std::count(Calls().begin(), Calls().end(), "FindExecutable(\"a.foo\", \"\", cleared)"));
  EXPECT_EQ(ShellRequest("C:\\p.exe", "\"a.foo\" -p"), Calls()[Calls().size() - 5]);
}

// /A: an entry whose program already runs in corvane's own session is not started, and waits for
// no pause. Without a folder part an entry matches by name; else by the full image path, made
// full first; both ignore letter case, as on Windows.
TEST_F(ListRunTest, ProgramsThatAlreadyRun) {
  const std::vector<fake::Process> processes = {
      {7, 2, "probe.exe", "C:\\Tools\\probe.exe"},  // another user's
      {8, 1, "NOTEPAD.EXE", "C:\\Windows\\NOTEPAD.EXE"},
      {9, 1, "probe.exe", "C:\\work\\sub\\probe.exe"}};
  const std::pair<const char*, uint32_t> cases[] = {  // the entry, and what runs it (0: started)
      {"notepad.exe", 8},         {"\"C:\\Windows\\notepad.exe\"", 8}, {"C:\\Other\\notepad.exe", 0},
      {"C:\\Tools\\probe.exe", 0}, {"sub\\probe.exe", 9},               {"C:\\gone\\probe.exe", 0},
      {"probe.exe", 9},
  };
  for (const auto& c : cases) {
    fake::State& fake = Restart();
    fake.processes = processes;
    fake.missing_files = {"C:\\gone\\probe.exe"};
    SkipRunning = true;
    PauseTime = {true, T("1")};
    LogFile = {true, T("run.log")};
    RunListOf("x.txt\r\n" + std::string(c.first) + "\r\n");
    const Strings lines = LogLines(Calls());
    ASSERT_EQ(2u, lines.size()) << c.first;
    const std::string result =
        c.second ? "running\t0\t" + std::to_string(c.second) + "\t" : "started\t0\t260\t";
    EXPECT_NE(std::string::npos, lines[1].find("\t" + result + "\topen\t")) << c.first << lines[1];
    EXPECT_EQ(c.second ? 0 : 1, std::count(Calls().begin(), Calls().end(), "Sleep(1000)")) << c.first;
  }
  // Entries with nothing started between them share one walk (a refused start starts nothing); a
  // start makes the next look afresh.
  Restart().processes = processes;
  Fake().shell = {{false, nullptr, 2}};
  SkipRunning = true;
  RunListOf("notepad.exe\r\ngone.txt\r\nprobe.exe\r\nx.txt\r\nnotepad.exe\r\n");
  EXPECT_EQ(2, std::count(Calls().begin(), Calls().end(), "Processes()"));
}

// On Linux a document entry that is a program is started as one, with no parameters: xdg-open
// would not run it.
TEST_F(ListRunTest, ProgramFilesInDocumentsMode) {
  Fake().program_files = {"tool", "bin/run me"};
  Preview = true;
  RunListOf("tool\r\n\"bin/run me\"\r\nreadme.txt\r\n");
  EXPECT_EQ(Strings({"program\t./tool\t", "program\tbin/run me\t", "open\t\"readme.txt\""}),
            OutputLines(Calls()));
}

// /D alone: each program starts in its own entry's folder, made full when relative, and gets a
// relative entry made full too, since it would look for it from that folder again. What names
// no file in a folder has no folder of its own.
TEST_F(ListRunTest, EntryFolders) {
  struct Case {
    std::string entry, parameters, folder;
  };
  const Case cases[] = {
      {"\"C:\\docs\\a b.txt\"  ", "\"C:\\docs\\a b.txt\"", "C:\\docs"},
      {"C:\\a.txt", "\"C:\\a.txt\"", "C:\\"},
      {"\\\\srv\\share\\f.txt", "\"\\\\srv\\share\\f.txt\"", "\\\\srv\\share"},
      {"docs\\sub\\a.txt", "\"C:\\work\\docs\\sub\\a.txt\"", "C:\\work\\docs\\sub"},
      {"\"rel/x y.txt\"", "\"C:\\work\\rel/x y.txt\"", "C:\\work\\rel"},
      {"sub dir\\d.txt\"", "\"C:\\work\\sub dir\\d.txt\"", "C:\\work\\sub dir"},
      {"\"C:\\docs\\sub dir\\x", "\"C:\\docs\\sub dir\\x\"", "C:\\docs\\sub dir"},
      {"/home/u/x", "\"/home/u/x\"", "/home/u"},
      {"/x", "\"/x\"", "/"},
      {"a.txt", "\"a.txt\"", ""},
      {"http://example.invalid/x/y.txt", "\"http://example.invalid/x/y.txt\"", ""},
  };
  for (const Case& c : cases) {
    Restart();
    ExeFile = T("v.exe");
    Preview = true;
    StartFolder = {true, Text(), true};
    RunListOf(c.entry + "\r\n");
    EXPECT_EQ("Output(\"program\tv.exe\t" + c.parameters + "\t\t" + c.folder + "\")", Calls()[3])
        << c.entry;
  }
  // A document gets its full path too, and a relative entry is looked up in /D:<folder>.
  Restart();
  StartFolder = {true, Text(), true};
  RunListOf("sub\\d.txt\r\n");
  EXPECT_EQ(ShellRequest("\"C:\\work\\sub\\d.txt\"", nullptr, nullptr, "C:\\work\\sub"), Calls()[3]);
  Restart();
  StartFolder = {true, T("C:\\d dir"), false};
  EParams = T("-p");
  RunListOf("d.txt\r\n");
  EXPECT_EQ("FindExecutable(\"d.txt\", \"C:\\d dir\", cleared)", Calls()[3]);
}

}  // namespace
