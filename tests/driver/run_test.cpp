#include "driver/run.h"

#include "test_support.h"

namespace {

class RunTest : public FakeTest {
 protected:
  long long RunWith(const std::string& arguments) {
    Restart().raw_command_line = "corvane.exe " + arguments;
    return ExitCodeOf([] { ::Run(); });
  }
};

const Strings kUsage = {kUsageBox, "ExitProcess(0)"};

TEST_F(RunTest, UsageBox) {
  for (const char* arguments :
       {"", "/X:prog.exe", "/L:", "/L", "/L:a.txt /L:", "/L:files.txt extra", "extra /L:files.txt",
        "/W readme.txt", "/", "-", "\" \"", "\"\t\"", "\" \" \"  \"", "\"\" \"\"",
        "/B:x /E:y /W", "\"/L:  \"", "/N", "/n readme.txt"}) {
    EXPECT_EQ(0, RunWith(arguments)) << arguments;
    EXPECT_EQ(kUsage, Calls()) << arguments;
  }
}

// Under /Q, wherever it stands, no box ever waits for a click: 87 instead, with the line that
// says why where there is one.
TEST_F(RunTest, QuietNeverShowsTheUsageBox) {
  const std::pair<const char*, const char*> cases[] = {
      {"/Q", nullptr},
      {"/Q:x /X:prog.exe", nullptr},
      {"extra /q /L:files.txt", nullptr},
      {"/L:files.txt extra -Q", nullptr},
      {"/Q /T:0.0005 /L:a", "corvane: /T:0.0005 is no number of seconds from 0 to 1000000 with at "
                           "most three decimals"},
      {"/Q /D: /L:a", "corvane: /D: names no folder"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(87, RunWith(c.first)) << c.first;
    Strings want = {"ExitProcess(87)"};
    if (c.second) want.insert(want.begin(), "Diagnostic(\"" + std::string(c.second) + "\")");
    EXPECT_EQ(want, Calls()) << c.first;
  }
}

TEST_F(RunTest, SingleArgumentIsOpenedDirectly) {
  struct Case { const char* arguments; const char* command; };
  const Case cases[] = {
      {"readme.txt", "readme.txt"},
      {"\"  my doc.txt \"", "my doc.txt"},
      {"\"C:\\a b\\c.txt\"", "C:\\a b\\c.txt"},  // the quotes were the splitter's, not added back
      {"\"\" readme.txt \"\"", "readme.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(0, RunWith(c.arguments)) << c.arguments;
    EXPECT_EQ(Strings({kPrepareShell, ShellRequest(c.command, nullptr), WaitIdleOf(0), CloseOf(0),
                       "ExitProcess(0)"}),
              Calls())
        << c.arguments;
  }
  // The platform's own split: an empty element is no argument.
  Restart().split = true;
  Fake().argv = {"corvane", "", "readme.txt"};
  EXPECT_EQ(0, ExitCodeOf([] { ::Run(); }));
  EXPECT_EQ(ShellRequest("readme.txt", nullptr), Calls()[1]);
}

TEST_F(RunTest, Options) {
  struct Case {
    std::string arguments, x, b, l, e;
    bool wait;
    std::string c;
  };
  const Case cases[] = {
      {"/l:list.txt", "", "", "list.txt", "", true},
      {"/C:utf-16le /L:a", "", "", "a", "", true, "utf-16le"},
      {"-c=850 /C: /L:a", "", "", "a", "", true, ""},  // an empty value leaves it to the list
      {"-L:list.txt", "", "", "list.txt", "", true},
      {"/X:editor.exe /B:-n /L:files.txt", "editor.exe", "-n", "files.txt", "", true},
      {"/L:files.txt /W", "", "", "files.txt", "", false},
      {"/w:ignored -L:a", "", "", "a", "", false},
      {"/Q:anything /L:files.txt", "", "", "files.txt", "", true},
      {"/L:a.txt /L:b.txt", "", "", "b.txt", "", true},
      {"/L=x", "", "", "x", "", true},
      {"\"/L x\"", "", "", "x", "", true},
      {"/Lxy", "", "", "y", "", true},
      {"/L\xe2\x86\x92list.txt -E\xc3\xa9-z", "", "", "list.txt", "-z", true},  // whole characters
      {"/ - /L:a", "", "", "a", "", true},
      // Only a to z are upper-cased: these are L, l and W with the top bit set.
      {"/A:x /Y:x /1:x /\xcc:x /\xec:x /\xd7:x /L:a", "", "", "a", "", true},
      {"\" /L:x\"", "", "", "x", "", true},  // trimmed before it is told apart
      {"\"/L:a.txt  \"", "", "", "a.txt", "", true},
      {"\"   \" /L:a \"\t\"", "", "", "a", "", true},
      {"/B:x /E:y /B /E /L:a", "", "", "a", "", true},
      {"/I /K /A /R:3 /L:a", "", "", "a", "", true},
      {"/b:\"-a -b\" /e:\" -z\" /x:\"C:\\P F\\v.exe\" /l:\"my list.txt\"", "C:\\P F\\v.exe",
       "-a -b", "my list.txt", " -z", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(0, RunWith(c.arguments)) << c.arguments;
    EXPECT_EQ(T(c.x), ExeFile) << c.arguments;
    EXPECT_EQ(T(c.b), BParams) << c.arguments;
    EXPECT_EQ(T(c.l), FileList) << c.arguments;
    EXPECT_EQ(T(c.e), EParams) << c.arguments;
    EXPECT_EQ(c.wait ? WaitMode::kInputIdle : WaitMode::kNone, Wait) << c.arguments;
    EXPECT_EQ(T(c.c), Encoding) << c.arguments;
    EXPECT_EQ(Strings({"CreateFile(\"" + c.l + "\")", kPrepareShell, kReadList, kCloseList,
                       "ExitProcess(0)"}),
              Calls())
        << c.arguments;
  }
}

// Linux paths start with "/": there such an argument is an option only as /W, /L:x or /L=x.
TEST_F(RunTest, SlashArgumentsWhereOptionsNeedASeparator) {
  struct Case {
    const char* arguments;
    const char* list;    // the list run, when not empty
    const char* opened;  // the single argument opened, when not null
  };
  const Case cases[] = {
      {"/tmp/doc.txt", "", "/tmp/doc.txt"},
      {"/", "", "/"},
      {"/N /Lists/x.txt", "", nullptr},  // a plain argument among others: the usage box
      {"/W /L:a /l=b /\xc3\xa9 -Lxy", "y", nullptr},
      {"/L\xe2\x86\x92x", "", "/L\xe2\x86\x92x"},  // the third character is the arrow
  };
  for (const Case& c : cases) {
    Restart().slash_options_need_separator = true;
    Fake().raw_command_line = "corvane " + std::string(c.arguments);
    EXPECT_EQ(0, ExitCodeOf([] { ::Run(); })) << c.arguments;
    if (c.opened)
      EXPECT_EQ(ShellRequest(c.opened, nullptr), Calls()[1]) << c.arguments;
    else if (*c.list)
      EXPECT_EQ("CreateFile(\"" + std::string(c.list) + "\")", Calls()[0]) << c.arguments;
    else
      EXPECT_EQ(kUsage, Calls()) << c.arguments;
  }
}

TEST_F(RunTest, PreviewOption) {
  for (const char* option : {"/N", "-n", "/n:anything"}) {
    Restart().raw_command_line = "corvane.exe /X:v.exe " + std::string(option) + " /L:list.txt";
    fake::ScriptFile("a\r\n", 128);
    EXPECT_EQ(0, ExitCodeOf([] { ::Run(); })) << option;
    EXPECT_EQ(Strings({"CreateFile(\"list.txt\")", kPrepareShell, kReadList,
                       "Output(\"program\tv.exe\t\"a\"\")", kReadList, kCloseList,
                       "FinishOutput(\"Corvane v1.3\", null)", "ExitProcess(0)"}),
              Calls())
        << option;
  }
}

// The options that shape each start, as the preview line and the log see them: a start with
// every option asks the shell for exactly what they say.
TEST_F(RunTest, StartOptions) {
  struct Case {
    std::string arguments;
    std::string request;
    Strings before, after;  // the calls between the list's opening and its first read; after the
                            // request
  };
  const std::string log = "IsSameFile(0xf11e, \"run.log\")";
  const Case cases[] = {
      {"/Q /V:print /S:MIN /D:C:\\d /T:1.5 /O:run.log",
       ShellRequest("v.exe", "\"a\"", "print", "C:\\d", 7, 1344),
       {log, "CreateFile(\"run.log\", append)", "EndsWithLineEnd(\"run.log\")", kPrepareShell},
       {"WaitForInputIdle(0x100, 1500)"}},
      {"/F /S:hidden /V: /T:0.25 /W", ShellRequest("v.exe", "\"a\"", nullptr, nullptr, 0),
       {kPrepareShell}, {}},
      {"/W /S:Normal -f /T:7", ShellRequest("v.exe", "\"a\"", nullptr, nullptr, 1),
       {kPrepareShell, "KeepExitCodes()"},
       {"WaitForSingleObject(0x100, 7000)"}},
      {"/S:max /P:2", ShellRequest("v.exe", "\"a\"", nullptr, nullptr, 3), {kPrepareShell},
       {WaitIdleOf(0)}},
      {"/S:11 /T:1000000", ShellRequest("v.exe", "\"a\"", nullptr, nullptr, 11), {kPrepareShell},
       {"WaitForInputIdle(0x100, 1000000000)"}},
  };
  for (const Case& c : cases) {
    Restart().raw_command_line = "corvane.exe /X:v.exe " + c.arguments + " /L:list.txt";
    fake::ScriptFile("a\r\n", 128);
    EXPECT_EQ(0, ExitCodeOf([] { ::Run(); })) << c.arguments;
    Strings want = {"CreateFile(\"list.txt\")"};
    want.insert(want.end(), c.before.begin(), c.before.end());
    want.insert(want.end(), {kReadList, c.request});
    want.insert(want.end(), c.after.begin(), c.after.end());
    want.insert(want.end(), {CloseOf(0), kReadList, kCloseList});
    if (!c.before.empty() && c.before[0] == log) {
      want.insert(want.end() - 2, "AppendLine(0x106, \"1\t2026-12-09T07:45:02.120+01:00\tstarted"
                                  "\t0\t256\t\tprogram\tv.exe\t\"a\"\tprint\tC:\\d\")");
      want.push_back("CloseHandle(0x106)");
    }
    want.push_back("ExitProcess(0)");
    EXPECT_EQ(want, Calls()) << c.arguments;
  }
}

// /I expands the values of /X, /B, /E, /D, /L and /O too, before they are used; a value that
// grows past 32767 characters is refused.
TEST_F(RunTest, ExpandedOptionValues) {
  const auto run = [this](const std::string& arguments) {
    Restart().environment = {{"T", "C:\\Tools"}, {"BIG", std::string(40000, 'x')}};
    Fake().raw_command_line = "corvane.exe " + arguments;
    fake::ScriptFile("a\r\n", 128);
    return ExitCodeOf([] { ::Run(); });
  };
  EXPECT_EQ(0, run("/I /X:%T%\\v.exe /B:-%t% /E:%U% /D:%T% /L:%T%\\l.txt /O:%T%\\r.log"));
  EXPECT_EQ(T("C:\\Tools\\v.exe"), ExeFile);
  EXPECT_EQ(T("-C:\\Tools"), BParams);
  EXPECT_EQ(T("%U%"), EParams);
  EXPECT_EQ(T("C:\\Tools"), StartFolder.value);
  EXPECT_EQ("CreateFile(\"C:\\Tools\\l.txt\")", Calls()[6]);
  EXPECT_EQ("CreateFile(\"C:\\Tools\\r.log\", append)", Calls()[8]);
  EXPECT_EQ(0, run("/X:%T%\\v.exe /L:a"));  // without /I, as written
  EXPECT_EQ(T("%T%\\v.exe"), ExeFile);
  EXPECT_EQ(87, run("/I /B:%BIG% /L:a"));
  EXPECT_EQ(Strings({"ExpandEnvironmentStrings(\"%BIG%\")",  // and again with the room it needs
                     "ExpandEnvironmentStrings(\"%BIG%\")", kUsageBox,
                     "Diagnostic(\"corvane: /B:%BIG% grows past 32767 characters\")",
                     "ExitProcess(87)"}),
            Calls());
}

// How each value is told apart is the option's own table; here, what a refusal does.
TEST_F(RunTest, AValueThatCannotBeUsedStartsNothing) {
  const std::string seconds = "is no number of seconds from 0 to 1000000 with at most three decimals";
  const std::string pause = seconds + ", nor two such numbers with a comma between";
  const std::string tries =
      "is no count of tries from 0 to 100, with the seconds between them from 0 to 3600 after a "
      "comma";
  const std::pair<std::string, std::string> cases[] = {
      {"/C:bogus", "names no list encoding that this system can read"},
      {"/C:99999", "names no list encoding that this system can read"},
      {"/C:37", "names no list encoding that this system can read"},
      {"/T:abc", seconds},
      {"/T:-1", seconds},
      {"/T:1.2345", seconds},
      {"/T:", seconds},
      {"/T:1000000.001", seconds},
      {"/T:.5", seconds},
      {"/T:5.", seconds},
      {"/P:soon", pause},
      {"/P:-1", pause},
      {"/P:1,2,3", pause},
      {"/P:,5", pause},
      {"/P:1,", pause},
      {"/D:", "names no folder"},
      {"/R:x", tries},
      {"/R:101", tries},
      {"/R:2,-1", tries},
      {"/R:2,1,3", tries},
      {"/R:2,3600.001", tries},
      {"/R:", tries},
      {"/A", "cannot go with /X, /B or /E, whose entries are a program's arguments"},
      {"/S:sideways", "is no window state: normal, min, max, hidden or 0 to 11"},
      {"/S:12", "is no window state: normal, min, max, hidden or 0 to 11"},
      {"/S:", "is no window state: normal, min, max, hidden or 0 to 11"},
      {"/O:", "names no file"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(87, RunWith("/X:v.exe " + c.first + " /L:list.txt")) << c.first;
    Strings want = kUsage;
    want.insert(want.end() - 1, "Diagnostic(\"corvane: " + c.first + " " + c.second + "\")");
    want.back() = "ExitProcess(87)";
    EXPECT_EQ(want, Calls()) << c.first;
  }
  // A verb the system cannot carry out, as on Linux.
  Restart().only_open_verb = true;
  Fake().raw_command_line = "corvane.exe /V:print /L:list.txt";
  EXPECT_EQ(87, ExitCodeOf([] { ::Run(); }));
  EXPECT_EQ("Diagnostic(\"corvane: /V:print names no verb that this system can carry out\")",
            Calls()[1]);
  EXPECT_EQ(0, RunWith("/C:bogus"));  // no list: only the usage box, as ever
  EXPECT_EQ(kUsage, Calls());
}

}  // namespace
