#include "launch/associated_program.h"
#include "launch/start_instance.h"
#include "test_support.h"

namespace {

// The shell reads this very record as its SHELLEXECUTEINFOA.
static_assert(sizeof(void*) != 8 || sizeof(platform::ShellExecuteRecord) == 112, "x64 layout");
static_assert(sizeof(void*) != 4 || sizeof(platform::ShellExecuteRecord) == 60, "x86 layout");

using LaunchTest = FakeTest;

void* const kProcess = reinterpret_cast<void*>(0x100);

TEST_F(LaunchTest, StartInstance) {
  const char* quoted = "\"C:\\docs\\a b.txt\"";
  struct Case {
    const char* program;
    const char* command;
    bool direct, wait;
    fake::ShellResult shell;
    Strings want;
  };
  const Case cases[] = {
      {"viewer.exe", "-r \"C:\\a b.txt\" -z", false, true, {true, kProcess, 0},
       {ShellRequest("viewer.exe", "-r \"C:\\a b.txt\" -z"), WaitIdleOf(0), CloseOf(0)}},
      {"", quoted, true, true, {true, kProcess, 0},
       {ShellRequest(quoted, nullptr), WaitIdleOf(0), CloseOf(0)}},
      {"unused.exe", quoted, true, false, {true, kProcess, 0},
       {ShellRequest(quoted, nullptr), CloseOf(0)}},
      {"", "", false, false, {true, kProcess, 0}, {ShellRequest("", ""), CloseOf(0)}},
      {"", "", true, true, {true, kProcess, 0},
       {ShellRequest("", nullptr), WaitIdleOf(0), CloseOf(0)}},
      {"missing.exe", "x", false, true, {false, nullptr, 2}, {ShellRequest("missing.exe", "x")}},
      {"", quoted, true, true, {false, kProcess, 31}, {ShellRequest(quoted, nullptr)}},
      {"", quoted, true, true, {true, nullptr, 0}, {ShellRequest(quoted, nullptr)}},
  };
  for (const Case& c : cases) {
    Restart().shell = {c.shell};
    StartSettings settings;
    if (!c.wait) settings.wait = WaitMode::kNone;
    StartInstance({T(c.program), T(c.command), c.direct, Text()}, settings);
    EXPECT_EQ(c.want, Calls()) << c.program << " / " << c.command;
  }
}

// What each setting asks of the shell, and what the start then tells.
TEST_F(LaunchTest, StartSettingsAndOutcomes) {
  using platform::WaitResult;
  const int kDone = static_cast<int>(WaitResult::kDone);
  const int kTimedOut = static_cast<int>(WaitResult::kTimedOut);
  const int kFailed = static_cast<int>(WaitResult::kFailed);
  struct Case {
    const char* label;
    WaitMode wait;
    uint32_t bound;
    bool quiet;
    const char *verb, *folder;
    int show;
    fake::ShellResult shell;
    fake::WaitScript waited;
    Strings after;  // the calls after the request
    StartResult result;
    uint32_t code, pid;
  };
  const std::string wait_end = "WaitForSingleObject(0x100, 4294967295)";
  const Case cases[] = {
      {"every setting", WaitMode::kInputIdle, 1500, true, "print", "C:\\d", 7,
       {true, kProcess, 0}, {kDone, 0},
       {"WaitForInputIdle(0x100, 1500)", CloseOf(0)}, StartResult::kStarted, 0, 256},
      {"idle too late", WaitMode::kInputIdle, 0, false, "", "", 10, {true, kProcess, 0},
       {kTimedOut, 0}, {"WaitForInputIdle(0x100, 0)", CloseOf(0)}, StartResult::kTimedOut, 0, 256},
      {"no message queue", WaitMode::kInputIdle, platform::kInfinite, false, "", "", 10,
       {true, kProcess, 0}, {kFailed, 0}, {WaitIdleOf(0), CloseOf(0)}, StartResult::kStarted, 0,
       256},
      {"ended", WaitMode::kEnd, platform::kInfinite, false, "", "", 10, {true, kProcess, 0},
       {kDone, 3}, {wait_end, CloseOf(0)}, StartResult::kExited, 3, 256},
      {"end too late", WaitMode::kEnd, 2250, false, "", "", 10, {true, kProcess, 0},
       {kTimedOut, 9}, {"WaitForSingleObject(0x100, 2250)", CloseOf(0)}, StartResult::kTimedOut, 0,
       256},
      {"refused", WaitMode::kEnd, platform::kInfinite, true, "", "", 10, {false, nullptr, 2},
       {kDone, 0}, {}, StartResult::kFailed, 2, 0},
      {"code in hInstApp", WaitMode::kInputIdle, platform::kInfinite, true, "", "", 10,
       {false, nullptr, 0, 31}, {kDone, 0}, {}, StartResult::kFailed, 31, 0},
      {"handed on", WaitMode::kEnd, platform::kInfinite, false, "", "", 10, {true, nullptr, 0},
       {kDone, 0}, {}, StartResult::kStarted, 0, 0},
  };
  for (const Case& c : cases) {
    Restart().shell = {c.shell};
    Fake().waits = {c.waited};
    StartSettings settings;
    settings.wait = c.wait;
    settings.wait_bound_ms = c.bound;
    settings.quiet = c.quiet;
    settings.verb = T(c.verb);
    settings.show = c.show;
    StartOutcome outcome = StartInstance({T("v.exe"), T("x"), false, T(c.folder)}, settings);
    Strings want = {ShellRequest("v.exe", "x", *c.verb ? c.verb : nullptr,
                                 *c.folder ? c.folder : nullptr, c.show, c.quiet ? 1344 : 320)};
    want.insert(want.end(), c.after.begin(), c.after.end());
    EXPECT_EQ(want, Calls()) << c.label;
    EXPECT_EQ(c.result, outcome.result) << c.label;
    EXPECT_EQ(c.code, outcome.code) << c.label;
    EXPECT_EQ(c.pid, outcome.process_id) << c.label;
  }
}

TEST_F(LaunchTest, LookupAssociatedProgram) {
  struct Case {
    const char* document;
    const char* directory;
    uintptr_t code;
    std::string program, want;
    const char* file = nullptr;  // what is looked up, when not the document as it is
  };
  const std::string probe = "C:\\Probe\\probe.exe";
  const Case cases[] = {
      {"D:\\docs\\a b.txt", "D:\\docs\\", 42, probe, probe},
      {"D:report.txt", "D:", 33, probe, probe},
      {"report.txt", "", 32, probe, ""},
      {"d:/docs/report.txt", "d:", 31, probe, ""},
      {"\\\\srv\\share\\f.txt", "\\\\srv\\share\\", 42, probe, probe},
      // A relative entry is looked for in the current folder, where the shell opens it: its
      // folder part is no folder to search from.
      {"docs\\one.txt", "", 42, probe, probe},
      // Looked up as the file the quoted entry names, a full path or not.
      {"\"D:\\docs\\a b.txt\"  ", "D:\\docs\\", 42, probe, probe, "D:\\docs\\a b.txt"},
      {" \"q r.cvt \"", "", 0, probe, "", "q r.cvt"},
      {"\xc3\xa9:\\a.txt", "", 42, probe, probe},  // no drive letter
      {"a.txt", "", ~uintptr_t(4), probe, probe},  // the test is unsigned
      {"a.txt", "", 42, "", ""},
      {"a.txt", "", 42, std::string(platform::kPathRoom, 'p'),
       std::string(platform::kPathRoom - 1, 'p')},  // room filled
  };
  for (const Case& c : cases) {
    Restart().find = {{c.code, c.program}};
    EXPECT_EQ(T(c.want), LookupAssociatedProgram(T(c.document))) << c.document << " " << c.code;
    EXPECT_EQ(Strings({"FindExecutable(\"" + std::string(c.file ? c.file : c.document) +
                       "\", \"" + c.directory + "\", cleared)"}),
              Calls());
  }
}

}  // namespace
