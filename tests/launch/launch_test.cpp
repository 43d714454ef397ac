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
  // A refusal that leaves GetLastError at 0 has only the old SE_ERR_ code in hInstApp: it is
  // told as the system code it stands for, so that the log's code and message agree.
  const std::pair<uintptr_t, uint32_t> codes[] = {{2, 2},       {5, 5},       {26, 32},
                                                  {27, 1155},   {28, 1156},   {30, 1156},
                                                  {31, 1155},   {32, 1157}};
  for (const auto& code : codes) {
    Restart().shell = {{false, nullptr, 0, code.first}};
    EXPECT_EQ(code.second, StartInstance({T("x.exe"), T(""), false, Text()}, StartSettings()).code)
        << code.first;
  }
}

TEST_F(LaunchTest, LookupAssociatedProgram) {
  struct Case {
    const char* document;
    const char* directory;
    uintptr_t code;
    std::string program, want;
    const char* file = nullptr;  // what is looked up, when not the document as it is
    const char* start_folder = "";
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
      // Or in the folder every program starts in, where the shell opens it then.
      {"docs\\one.txt", "C:\\d dir", 42, probe, probe, nullptr, "C:\\d dir"},
      {"D:\\docs\\a b.txt", "D:\\docs\\", 42, probe, probe, nullptr, "C:\\d dir"},
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
    EXPECT_EQ(T(c.want), LookupAssociatedProgram(T(c.document), T(c.start_folder))) << c.document << " " << c.code;
    EXPECT_EQ(Strings({"FindExecutable(\"" + std::string(c.file ? c.file : c.document) +
                       "\", \"" + c.directory + "\", cleared)"}),
              Calls());
  }
}

}  // namespace
