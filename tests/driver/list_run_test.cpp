#include "driver/run.h"
#include "test_support.h"

namespace {

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
  };
  const Case cases[] = {
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
      ListCalls({"FindExecutable(\"C:\\docs\\a.foo  \", \"C:\\docs\\\", cleared)",
                 ShellRequest(probe, "-p \"C:\\docs\\a.foo\""),
                 "FindExecutable(\"b.bar\", \"\", cleared)", ShellRequest("-p \"b.bar\"", nullptr),
                 "FindExecutable(\"\"D:\\x y.baz\"\", \"\", cleared)",
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

}  // namespace
