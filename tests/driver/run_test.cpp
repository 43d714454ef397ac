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

const Strings kUsage = {
    "MessageBox(\"Usage: corvane [/X:<exe-file>] [/B:<b-params>] /L:<filelist> "
    "[/E:<e-params>]\", \"Corvane v1.3\", 64)",
    "ExitProcess(0)"};

TEST_F(RunTest, UsageBox) {
  for (const char* arguments :
       {"", "/X:prog.exe", "/L:", "/L", "/L:a.txt /L:", "/L:files.txt extra", "extra /L:files.txt",
        "/W readme.txt", "/Q:x", "/", "-", "\" \"", "\"\t\"", "\" \" \"  \"", "\"\" \"\"",
        "/B:x /E:y /W", "\"/L:  \"", "/N", "/n readme.txt"}) {
    EXPECT_EQ(0, RunWith(arguments)) << arguments;
    EXPECT_EQ(kUsage, Calls()) << arguments;
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
      {"/b:\"-a -b\" /e:\" -z\" /x:\"C:\\P F\\v.exe\" /l:\"my list.txt\"", "C:\\P F\\v.exe",
       "-a -b", "my list.txt", " -z", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(0, RunWith(c.arguments)) << c.arguments;
    EXPECT_EQ(T(c.x), ExeFile) << c.arguments;
    EXPECT_EQ(T(c.b), BParams) << c.arguments;
    EXPECT_EQ(T(c.l), FileList) << c.arguments;
    EXPECT_EQ(T(c.e), EParams) << c.arguments;
    EXPECT_EQ(c.wait, WaitIdle) << c.arguments;
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

// The value is told apart in the list encoding's own tests; here, what a refusal does.
TEST_F(RunTest, AnEncodingThatCannotBeReadStartsNothing) {
  for (const char* value : {"bogus", "99999", "37"}) {
    EXPECT_EQ(87, RunWith("/X:v.exe /C:" + std::string(value) + " /L:list.txt")) << value;
    Strings want = kUsage;
    want.insert(want.end() - 1, "Diagnostic(\"corvane: /C:" + std::string(value) +
                                    " names no list encoding that this system can read\")");
    want.back() = "ExitProcess(87)";
    EXPECT_EQ(want, Calls()) << value;
  }
  EXPECT_EQ(0, RunWith("/C:bogus"));  // no list: only the usage box, as ever
  EXPECT_EQ(kUsage, Calls());
}

}  // namespace
