#include "driver/run.h"
#include "test_support.h"

namespace {

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
    WaitIdle = c.wait;
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

}  // namespace
