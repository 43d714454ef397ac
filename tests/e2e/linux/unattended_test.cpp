// Runs nobody watches: the run log, the wait for each program's end, the exit code under /Q, and
// where and how each program is started.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using UnattendedTest = E2eTest;

// A log time stamp in milliseconds, for the time between two records of one run.
long long Milliseconds(const std::string& stamp) {
  std::tm time = {};
  strptime(stamp.c_str(), "%Y-%m-%dT%H:%M:%S", &time);
  return timegm(&time) * 1000LL + std::stoi(stamp.substr(20, 3));
}

// /F waits for each program's end and logs its exit code; /Q makes a failed entry the run's
// exit code 1. Blank lines count in the log's line numbers.
TEST_F(UnattendedTest, FinishQuietAndTheLog) {
  const std::string three = Work() + "/three";
  WriteFile(three, "#!/bin/sh\nexit 3\n");
  chmod(three.c_str(), 0755);
  WriteFile(Work() + "/list.txt", ListOf({"a", "", "b c"}));
  Outcome outcome = Run({"/F", "/Q", "/O:run.log", "/X:" + three, "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 1);
  EXPECT_EQ(outcome.err, "");
  Outcome missing = Run({"/Q", "/O:run.log", "/X:" + Root() + "/missing", "/L:list.txt"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "");  // quiet: the log tells
  const auto lines = LogLines(Work() + "/run.log");
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::vector<std::string>> want = {
      {"1", "exited", "3", "", "program", three, "\"a\""},
      {"3", "exited", "3", "", "program", three, "\"b c\""},
      {"1", "failed", "2", "No such file or directory", "program", Root() + "/missing", "\"a\""},
      {"3", "failed", "2", "No such file or directory", "program", Root() + "/missing", "\"b c\""}};
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 9u) << i;
    EXPECT_EQ((std::vector<std::string>{lines[i][0], lines[i][2], lines[i][3], lines[i][5],
                                        lines[i][6], lines[i][7], lines[i][8]}),
              want[i]);
    EXPECT_EQ(lines[i][1].size(), 29u) << lines[i][1];  // 2026-12-09T07:45:02.120+01:00
    EXPECT_EQ(lines[i][4] == "-", i >= 2) << lines[i][4];
  }
  // Without /Q the code stays 0 and the failure is reported on standard error.
  EXPECT_EQ(Run({"/F", "/X:" + three, "/L:list.txt"}).exit_code, 0);
}

// Two runs append to one log at once; every line arrives whole.
TEST_F(UnattendedTest, TwoRunsAppendWholeLinesToOneLog) {
  const size_t kEntries = 1000;
  std::vector<std::string> entries;
  for (size_t i = 1; i <= kEntries; ++i) entries.push_back("e" + std::to_string(i));
  WriteFile(Work() + "/list.txt", ListOf(entries));
  const std::vector<std::string> args = {"/W", "/O:shared.log", "/X:/bin/true", "/L:list.txt"};
  pid_t first = Launch(args), second = Launch(args);
  EXPECT_EQ(Finish(first, 300).exit_code, 0);
  EXPECT_EQ(Finish(second, 300).exit_code, 0);
  std::map<std::string, int> seen;
  for (const auto& fields : LogLines(Work() + "/shared.log")) {
    ASSERT_EQ(fields.size(), 9u);
    EXPECT_EQ(fields[2], "started");
    EXPECT_EQ("\"e" + fields[0] + "\"", fields[8]);
    ++seen[fields[0]];
  }
  EXPECT_EQ(seen.size(), kEntries);
  for (const auto& pair : seen) EXPECT_EQ(pair.second, 2) << pair.first;
}

// /D starts each program in its own entry's folder; Linux knows the verb open and no other.
TEST_F(UnattendedTest, EntryFoldersAndTheOnlyVerb) {
  ASSERT_EQ(mkdir((Work() + "/sub").c_str(), 0755), 0);
  WriteFile(Work() + "/list.txt", ListOf({"sub/a.txt", "\"" + Root() + "/b c.txt\"", "d.txt"}));
  Outcome outcome = Run({"/F", "/D", "/V:OPEN", "/S:min", "/X:pwd", "/B:-L", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.out, Work() + "/sub\n" + Root() + "\n" + Work() + "\n");
  Outcome print = Run({"/V:print", "/X:pwd", "/L:list.txt"});
  EXPECT_EQ(print.exit_code, 87);
  EXPECT_EQ(print.err,
            UsageLine() + "corvane: /V:print names no verb that this system can carry out\n");
  EXPECT_EQ(print.out, "");
}

// /R tries a start the system refused again, as a whole: here a program that is not there yet,
// as on a drive mounted late at log-on. It appears in one step (a symlink) once two tries have
// been refused, about two seconds in; ten tries a second apart leave a busy host eight to spare.
TEST_F(UnattendedTest, RefusedStartsAreTriedAgain) {
  const std::string later = Root() + "/later";
  WriteFile(Work() + "/list.txt", ListOf({"x"}));
  pid_t pid = Launch({"/R:10,1", "/O:run.log", "/X:" + later, "/L:list.txt"});
  ASSERT_TRUE(WaitFor([&] { return LogLines(Work() + "/run.log").size() >= 2; }));
  ASSERT_EQ(symlink(Recorder().c_str(), later.c_str()), 0);
  Outcome outcome = Finish(pid);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");  // a try that is made again reports nothing
  auto lines = LogLines(Work() + "/run.log");
  ASSERT_GE(lines.size(), 3u);
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(Argv(lines[i].begin() + 2, lines[i].end()),
              (Argv{"retry", "2", "-", "No such file or directory", "program", later, "\"x\""}));
  EXPECT_EQ(lines.back()[2], "started");
  // Two pauses at least, however long the test took to notice.
  EXPECT_GE(Milliseconds(lines.back()[1]) - Milliseconds(lines[0][1]), 1990);
  ASSERT_TRUE(WaitFor([&] { return StartCount() == 1; }));
  EXPECT_EQ(Starts()[0].argv, (Argv{later, "x"}));

  // A start that fails for good reports once; a code no wait mends is not tried again.
  const std::string no_interpreter = Root() + "/no-interpreter";
  WriteFile(no_interpreter, "exit 0\n");
  ASSERT_EQ(chmod(no_interpreter.c_str(), 0755), 0);
  struct Case {
    std::string program;
    bool quiet;
    Argv results;
    std::string code;
  };
  const Case cases[] = {
      {Root() + "/never", false, {"retry", "retry", "failed"}, "2"},
      {no_interpreter, true, {"failed"}, "8"},  // ENOEXEC
  };
  for (const Case& c : cases) {
    Argv args = {"/R:2,0", "/O:" + c.code + ".log", "/X:" + c.program, "/L:list.txt"};
    if (c.quiet) args.push_back("/Q");
    outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, c.quiet ? 1 : 0) << c.program;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), c.quiet ? 0 : 1)
        << outcome.err;
    Argv results;
    for (const auto& fields : LogLines(Work() + "/" + c.code + ".log")) {
      results.push_back(fields[2]);
      EXPECT_EQ(fields[3], c.code);
    }
    EXPECT_EQ(results, c.results) << c.program;
  }
}

// /A: a program that already runs as the user's is not started again, whether the entry names
// it by its path, through a link, or by its name alone (wherever it lies); one that does not run
// is started.
TEST_F(UnattendedTest, ProgramsThatAlreadyRunAreNotStartedAgain) {
  // Names of this test's own, which no other test's process has.
  const std::string own = Root().substr(Root().rfind('-') + 1);
  const std::string nap = Root() + "/nap-" + own, fresh = "fresh-" + own;
  char* sleep = realpath("/bin/sleep", nullptr);  // with a merged /usr, /usr/bin/sleep
  ASSERT_NE(sleep, nullptr);
  std::filesystem::copy_file(sleep, nap);
  free(sleep);
  std::filesystem::copy_file(Recorder(), Work() + "/" + fresh);
  ASSERT_EQ(chmod(nap.c_str(), 0755), 0);
  ASSERT_EQ(chmod((Work() + "/" + fresh).c_str(), 0755), 0);
  ASSERT_EQ(symlink(nap.c_str(), (Work() + "/link").c_str()), 0);
  const char* nap_argv[] = {nap.c_str(), "600", nullptr};
  pid_t napping = -1;
  ASSERT_EQ(
      posix_spawn(&napping, nap.c_str(), nullptr, nullptr, const_cast<char**>(nap_argv), nullptr),
      0);
  struct Ender {
    pid_t pid;
    ~Ender() {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } ender{napping};

  WriteFile(Work() + "/list.txt", ListOf({nap, "nap-" + own, "./link", fresh}));
  Outcome outcome = Run({"/A", "/O:run.log", "/L:list.txt"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.err, "");
  const std::string id = std::to_string(napping);
  const std::vector<Argv> want = {
      {"running", "0", id, "", "program", nap, ""},
      {"running", "0", id, "", "open", "\"nap-" + own + "\""},
      {"running", "0", id, "", "program", "./link", ""},
      {"started", "0", "", "", "program", "./" + fresh, ""},
  };
  const auto lines = LogLines(Work() + "/run.log");
  ASSERT_EQ(lines.size(), want.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    Argv got(lines[i].begin() + 2, lines[i].end());
    if (i == 3 && got[2] != "-") got[2] = "";  // the fresh program's own id
    EXPECT_EQ(got, want[i]) << i;
  }
  ASSERT_TRUE(WaitFor([&] { return StartCount() == 1; }));
  EXPECT_EQ(Starts()[0].argv, (Argv{"./" + fresh}));
}

// A log that the file-size limit cuts short ends the run with EFBIG (27), as a full disk would
// with its own code; the next run ends the torn line before its first record.
TEST_F(UnattendedTest, ALogCutShortIsEndedByTheNextRun) {
  WriteFile(Work() + "/list.txt", ListOf({"a"}));
  const Argv args = {"/O:run.log", "/X:/bin/true", "/L:list.txt"};
  // Lowered while corvane is started, which inherits it; a record is longer.
  rlimit unlimited, cut;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
  cut = {40, unlimited.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
  pid_t pid = Launch(args);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
  Outcome outcome = Finish(pid);
  EXPECT_EQ(outcome.exit_code, 27);
  EXPECT_EQ(outcome.err, "");
  const std::string torn = ReadAll(Work() + "/run.log");
  ASSERT_EQ(torn.size(), 40u);

  EXPECT_EQ(Run(args).exit_code, 0);
  EXPECT_EQ(ReadAll(Work() + "/run.log").substr(0, 41), torn + "\n");
  const auto lines = LogLines(Work() + "/run.log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ((Argv{lines[1][0], lines[1][2]}), (Argv{"1", "started"}));
}

// Records appended to the list would come back as entries: a log that is the list file, by any
// name, is refused before anything starts.
TEST_F(UnattendedTest, ALogThatIsTheListIsRefused) {
  const std::string list = ListOf({"a"});
  WriteFile(Work() + "/list.txt", list);
  ASSERT_EQ(link((Work() + "/list.txt").c_str(), (Work() + "/hard.txt").c_str()), 0);
  ASSERT_EQ(symlink("list.txt", (Work() + "/soft.txt").c_str()), 0);
  struct Case {
    std::string log;
    bool quiet;
  };
  const Case cases[] = {{"list.txt", false}, {"./list.txt", false}, {Work() + "/list.txt", false},
                        {"hard.txt", false}, {"soft.txt", false},   {"list.txt", true}};
  for (const Case& c : cases) {
    Argv args = {"/O:" + c.log, "/X:" + Recorder(), "/L:list.txt"};
    if (c.quiet) args.push_back("/Q");
    Outcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 87) << c.log;
    EXPECT_EQ(outcome.err,
              (c.quiet ? "" : UsageLine()) + "corvane: /O:" + c.log + " is the list file\n");
  }
  EXPECT_EQ(ReadAll(Work() + "/list.txt"), list);
  EXPECT_EQ(StartCount(), 0u);
}

// Started without standard output and error, corvane's own error lines go nowhere: not into the
// log, which would have taken descriptor 2.
TEST_F(UnattendedTest, WithoutStandardOutputAndErrorTheLogHoldsOnlyRecords) {
  WriteFile(Work() + "/list.txt", ListOf({"a", "b"}));
  const std::string corvane = Corvane(), work = Work(), program = "/X:" + Root() + "/missing";
  const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(null, 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (dup2(null, 0) != 0 || chdir(work.c_str()) != 0) _exit(120);
    close(1);
    close(2);
    execl(corvane.c_str(), corvane.c_str(), "/O:run.log", program.c_str(), "/L:list.txt", nullptr);
    _exit(121);
  }
  close(null);
  EXPECT_EQ(Finish(pid).exit_code, 0);
  const auto lines = LogLines(Work() + "/run.log");
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& fields : lines) EXPECT_EQ(fields[2], "failed");
}

}  // namespace
