// The three ends of the program body and the three list-run modes, through the real binary.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"

namespace {

size_t LineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class LaunchTest : public E2eTest {};

TEST_F(LaunchTest, UnusableCommandLinesPrintTheUsageLineAndSucceed) {
  const std::vector<Argv> command_lines = {
      {},
      {""},                // an empty argument is no argument
      {"a.txt", "b.txt"},  // a plain argument among others
      {"/X:viewer", "/B:-r"},
      {"/L:"},
      {"/N", "/Lists/x.txt"},  // a path, not /L: a plain argument among others
  };
  for (const Argv& args : command_lines) {
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 0) << testing::PrintToString(args);
    EXPECT_EQ(outcome.err, UsageLine()) << testing::PrintToString(args);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(StartCount(), 0u);
}

// A run nobody watches never shows the usage text, wherever /Q stands: it ends with 87 at once.
TEST_F(LaunchTest, UnderQuietAnUnusableCommandLineEndsWith87AndNoUsageLine) {
  struct Case {
    Argv args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"/Q"}, ""},
      {{"/W", "/Q:whatever"}, ""},
      {{"a.txt", "/Q", "b.txt"}, ""},  // /Q after the plain argument counts too
      {{"/Q", "/T:abc", "/L:list.txt"},
       "corvane: /T:abc is no number of seconds from 0 to 1000000 with at most three decimals\n"},
  };
  for (const Case& c : cases) {
    Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.exit_code, 87) << testing::PrintToString(c.args);
    EXPECT_EQ(outcome.err, c.err) << testing::PrintToString(c.args);
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(StartCount(), 0u);
}

// Each document exists, as a local one must to reach xdg-open; a folder needs no application.
TEST_F(LaunchTest, SingleArgumentIsHandedToXdgOpen) {
  InstallAssociation();
  const std::string absolute = Root() + "/doc.ctest";
  for (const std::string& document :
       {Work() + "/report 2024.ctest", Work() + "/quoted name.ctest", absolute})
    WriteFile(document, "text\n");
  ASSERT_EQ(mkdir((Work() + "/$(touch pwned); x").c_str(), 0755), 0);
  struct Case {
    Argv args;
    std::string opened;
  };
  const std::vector<Case> cases = {
      {{"report 2024.ctest"}, "report 2024.ctest"},
      {{"", "  https://example.org/?a=1&b=2  ", ""}, "https://example.org/?a=1&b=2"},
      {{"\"quoted name.ctest\""}, "quoted name.ctest"},
      {{"$(touch pwned); x"}, "$(touch pwned); x"},
      {{absolute}, absolute},  // an absolute path is no option
  };
  std::vector<Argv> expected;
  for (const Case& c : cases) {
    Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.err, "");
    expected.push_back({"xdg-open", c.opened});
  }
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= cases.size(); }));
  EXPECT_EQ(SortedArgvs(Starts()), Sorted(expected));
}

TEST_F(LaunchTest, ProgramModeSplitsTheCommandTextWithoutAShell) {
  WriteFile(
      Work() + "/list.txt",
      ListOf({"a.txt", "  with blank.txt   ", "\"already quoted.txt\"", "\tc d"}) + "last.txt");
  Outcome outcome = Run({"/X:" + Recorder(), "/B:-r -s", "/E:-z", "/L:list.txt", "/W"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 5; }));
  const std::string r = Recorder();
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({
                                       {r, "-r", "-s", "a.txt", "-z"},
                                       {r, "-r", "-s", "with blank.txt", "-z"},
                                       {r, "-r", "-s", "already quoted.txt", "-z"},
                                       {r, "-r", "-s", "c d", "-z"},
                                       {r, "-r", "-s", "last.txt", "-z"},
                                   }));
  for (const Start& start : Starts()) EXPECT_EQ(start.sigchld, "default");
}

// /I expands %NAME% from the environment (names exactly as written on Linux) in the entries and
// in /X; /K skips a line whose first character, as written, is ; or #. Under /F every start is
// logged by the end of the run, so a line that starts nothing is seen to.
TEST_F(LaunchTest, ExpandedEntriesAndCommentLines) {
  SetEnv("CORVANE_DOCS", "my docs");
  SetEnv("CORVANE_PROGRAM", Recorder().c_str());
  SetEnv("CORVANE_BLANKS", "   ");
  WriteFile(Work() + "/list.txt",
            ListOf({
                "%CORVANE_DOCS%/a.txt", "; %CORVANE_DOCS%/b.txt", "  #c.txt",
                "%CORVANE_UNSET% at 100%", "%corvane_docs%", "\"#1 agenda.txt\"",
                "%CORVANE_BLANKS%",  // as a blank line
            }));
  Outcome outcome = Run({"/I", "/K", "/F", "/X:%CORVANE_PROGRAM%", "/B:-b", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  const std::string r = Recorder();
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({
                                       {r, "-b", "my docs/a.txt"},
                                       {r, "-b", "%CORVANE_UNSET% at 100%"},
                                       {r, "-b", "%corvane_docs%"},
                                       {r, "-b", "#1 agenda.txt"},
                                   }));
}

TEST_F(LaunchTest, ProgramModeFindsTheProgramOnPath) {
  WriteFile(Work() + "/list.txt", ListOf({"x"}));
  Outcome outcome = Run({"/X:corvane-assoc", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 1; }));
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({{"corvane-assoc", "x"}}));
}

// Linux has no input-idle: corvane goes on while the started programs still run. They hold
// until the test ends, so a corvane that waited for them would make no progress and fail.
TEST_F(LaunchTest, WaitingForIdleReturnsAtOnce) {
  SetEnv("CORVANE_RECORD_HOLD", (Root() + "/release").c_str());
  WriteFile(Work() + "/list.txt", ListOf({"one", "two"}));
  Outcome outcome = Finish(Launch({"/X:" + Recorder(), "/L:list.txt"}));
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_TRUE(WaitFor([&] { return StartCount() == 2; }));
}

TEST_F(LaunchTest, FailedStartsAreReportedOnOneLineEachAndTheRunGoesOn) {
  WriteFile(Root() + "/not-executable", "#!/bin/sh\n");
  // A program without "#!" is never handed to /bin/sh instead.
  WriteFile(Root() + "/no-interpreter", "touch pwned\n");
  ASSERT_EQ(chmod((Root() + "/no-interpreter").c_str(), 0755), 0);
  // The second entry holds a line feed, which is no line end in a list.
  WriteFile(Work() + "/list.txt", ListOf({"a", "b\nc", "d"}));
  for (const std::string& program :
       {Root() + "/missing-program", Root() + "/not-executable", Root() + "/no-interpreter",
        std::string("no-such-program-on-path")}) {
    Outcome outcome = Run({"/X:" + program, "/L:list.txt"});
    EXPECT_EQ(outcome.exit_code, 0) << program;
    EXPECT_EQ(LineCount(outcome.err), 3u) << outcome.err;
    EXPECT_NE(outcome.err.find(program), std::string::npos) << outcome.err;
  }
  // No xdg-open at all: each document fails alone.
  ASSERT_EQ(mkdir((Root() + "/empty").c_str(), 0755), 0);
  SetEnv("PATH", (Root() + "/empty").c_str());
  Outcome outcome = Run({"/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(LineCount(outcome.err), 3u) << outcome.err;
  EXPECT_EQ(StartCount(), 0u);
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{"list.txt"});
}

// A local document must exist, and a file needs an application; a folder and a URL go to
// xdg-open as they are. A missing one fails alone.
TEST_F(LaunchTest, DocumentsModeHandsEachEntryToXdgOpen) {
  InstallAssociation();
  for (const char* name : {"plain.ctest", "with blank.ctest", "quoted.ctest", "-readme.ctest"})
    WriteFile(Work() + "/" + name, "text\n");
  ASSERT_EQ(mkdir((Work() + "/a folder").c_str(), 0755), 0);
  WriteFile(Work() + "/list.txt",
            ListOf({"plain.ctest", "with blank.ctest  ", "\"quoted.ctest\"", "-readme.ctest",
                    "a folder", "missing.ctest", "https://example.org/a b?x=1&y=2"}));
  Outcome outcome = Run({"/L:list.txt", "/W"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "corvane: cannot open missing.ctest: No such file or directory\n");
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 6; }));
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({
                                       {"xdg-open", "plain.ctest"},
                                       {"xdg-open", "with blank.ctest"},
                                       {"xdg-open", "quoted.ctest"},
                                       {"xdg-open", "./-readme.ctest"},
                                       {"xdg-open", "a folder"},
                                       {"xdg-open", "https://example.org/a b?x=1&y=2"},
                                   }));
}

// xdg-open would run neither a program nor a desktop entry: corvane starts an executable file
// itself, with no arguments (a bare name as ./name, never one found on PATH), and a desktop entry
// as the application it describes, with the arguments of its Exec line.
TEST_F(LaunchTest, DocumentsModeStartsProgramsAndDesktopEntriesItself) {
  ASSERT_EQ(symlink(Recorder().c_str(), (Work() + "/tool").c_str()), 0);
  WriteFile(Work() + "/app.desktop", "[Desktop Entry]\nType=Application\nName=app\nExec=" +
                                         Recorder() + " --from-entry %U\n");
  WriteFile(Work() + "/list.txt", ListOf({"tool", "app.desktop"}));
  EXPECT_EQ(Run({"/N", "/L:list.txt"}).out, "program\t./tool\t\nopen\t\"app.desktop\"\n");
  Outcome outcome = Run({"/F", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({{"./tool"}, {Recorder(), "--from-entry"}}));
}

TEST_F(LaunchTest, AssociatedModeStartsEachEntrysDefaultApplication) {
  InstallAssociation();
  ASSERT_EQ(mkdir((Work() + "/docs").c_str(), 0755), 0);
  const std::string docs = Work() + "/docs/";
  WriteFile(docs + "a b.ctest", "first\n");
  WriteFile(docs + "c.ctest", "second\n");
  WriteFile(docs + "unknown.zzz", "third\n");
  WriteFile(Work() + "/list.txt", ListOf({
                                      docs + "a b.ctest",
                                      docs + "unknown.zzz",    // no association
                                      docs + "missing.ctest",  // no such file
                                      "\"" + docs + "a b.ctest\"  ",
                                      "docs/c.ctest",
                                  }));
  Outcome outcome = Run({"/E:-z", "/L:list.txt", "/W"});
  EXPECT_EQ(outcome.exit_code, 0);
  // Without a program the whole command text is opened, and names no file.
  const auto no_file = [&docs](const char* name) {
    return "corvane: cannot open \"" + docs + name + "\" -z: No such file or directory\n";
  };
  EXPECT_EQ(outcome.err, no_file("unknown.zzz") + no_file("missing.ctest"));
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 3; }));
  // GIO names the program by its name on PATH; corvane starts it by its full path, with the
  // arguments of its desktop entry first.
  const std::string app = AssociatedProgram(), own = "--from-desktop-file";
  EXPECT_EQ(SortedArgvs(Starts()), Sorted({
                                       {app, own, docs + "a b.ctest", "-z"},
                                       {app, own, docs + "a b.ctest", "-z"},
                                       {app, own, "docs/c.ctest", "-z"},
                                   }));
  for (const Start& start : Starts()) EXPECT_EQ(start.descriptors, "0,1,2");
}

TEST_F(LaunchTest, ABeforeTextAloneAlsoLooksTheProgramUp) {
  InstallAssociation();
  WriteFile(Work() + "/x.ctest", "some text\n");
  WriteFile(Work() + "/list.txt", ListOf({"x.ctest"}));
  Outcome outcome = Run({"/B:--view", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  ASSERT_TRUE(WaitFor([&] { return StartCount() >= 1; }));
  EXPECT_EQ(SortedArgvs(Starts()),
            Sorted({{AssociatedProgram(), "--from-desktop-file", "--view", "x.ctest"}}));
}

// The Exec line's own words come first, its field codes dropped and %% kept as %: a program
// started through env (or flatpak run) gets what its entry asks for. A program path may be as
// long as the lookup's room (a Windows path of MAX_PATH characters as UTF-8).
TEST_F(LaunchTest, AssociatedProgramGetsItsDesktopEntrysArgumentsFirst) {
  InstallAssociation();
  const std::string deep = Root() + "/bin/" + std::string(250, 'l');
  ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  ASSERT_EQ(symlink(Recorder().c_str(), (deep + "/corvane-assoc").c_str()), 0);
  ASSERT_GT(deep.size() + 14, 261u);
  struct Case {
    std::string exec;
    Argv argv;
  };
  const Case cases[] = {
      {"env GREETING=hi corvane-assoc \"two words\" 100%% %F",
       {"corvane-assoc", "two words", "100%", "x.ctest", "-z"}},
      {deep + "/corvane-assoc --flag %u", {deep + "/corvane-assoc", "--flag", "x.ctest", "-z"}},
  };
  WriteFile(Work() + "/x.ctest", "some text\n");
  WriteFile(Work() + "/list.txt", ListOf({"x.ctest"}));
  std::vector<Argv> expected;
  for (const Case& c : cases) {
    WriteFile(Root() + "/data/applications/corvane-assoc.desktop",
              "[Desktop Entry]\nType=Application\nName=corvane test recorder\nExec=" + c.exec +
                  "\nMimeType=application/x-corvane-test;\n");
    Outcome outcome = Run({"/E:-z", "/L:list.txt"});
    EXPECT_EQ(outcome.exit_code, 0) << c.exec;
    EXPECT_EQ(outcome.err, "") << c.exec;
    expected.push_back(c.argv);
    ASSERT_TRUE(WaitFor([&] { return StartCount() >= expected.size(); })) << c.exec;
  }
  EXPECT_EQ(SortedArgvs(Starts()), Sorted(expected));
}

}  // namespace
