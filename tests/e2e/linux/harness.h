// Runs the real corvane binary in a scratch directory of its own, with the recorder standing
// in for every program it starts, and reads back what was started.
#ifndef CORVANE_TESTS_E2E_LINUX_HARNESS_H_
#define CORVANE_TESTS_E2E_LINUX_HARNESS_H_

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// One start as the recorder logged it.
struct Start {
  std::string descriptors;        // e.g. "0,1,2"
  std::string sigchld;            // "default", "ignored" or "handled": SIGCHLD and SIGPIPE
  std::vector<std::string> argv;  // argv[0] first
};

using Argv = std::vector<std::string>;

// Programs started side by side log in any order; tests compare the starts as sets.
std::vector<Argv> Sorted(std::vector<Argv> argvs);
std::vector<Argv> SortedArgvs(const std::vector<Start>& starts);

struct Outcome {
  int exit_code;  // -1 when corvane did not end by itself in time
  std::string out;
  std::string err;
};

// A whole file; empty when there is none.
std::string ReadAll(const std::string& path);

// Everything with CR LF after each line, as a list written on Windows.
std::string ListOf(const std::vector<std::string>& lines);

// A run log's lines, each cut at its tabs.
std::vector<std::vector<std::string>> LogLines(const std::string& path);

// Polls until done() holds; gives done()'s last answer once the running test has made no
// progress (no new start logged, no output from corvane) for the seconds. A busy host gets all
// the time it needs while something happens; a hang fails after the seconds.
bool WaitFor(const std::function<bool()>& done, double seconds = 60);

class E2eTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The scratch directory; corvane runs in Work(), which holds nothing but what a test puts
  // there, so anything a started command created would show up in WorkFiles().
  const std::string& Root() const { return root_; }
  std::string Work() const { return root_ + "/work"; }
  std::string Recorder() const;
  std::string Corvane() const;
  std::string UsageLine() const;

  void WriteFile(const std::string& path, const std::string& bytes);
  std::vector<std::string> WorkFiles() const;

  // An environment variable for corvane: set, or removed when value is null.
  void SetEnv(const std::string& name, const char* value);

  // Starts corvane with these arguments (the program name is added). stdin_fd and stdout_fd,
  // when not -1, become its standard input and output; with leak_descriptor set it also
  // inherits an open descriptor 9 that it never asked for.
  pid_t Launch(const std::vector<std::string>& args, int stdin_fd = -1,
               bool leak_descriptor = false, int stdout_fd = -1);
  // Waits for corvane to end, killing it once it has made no progress for the seconds.
  Outcome Finish(pid_t pid, double seconds = 60);
  Outcome Run(const std::vector<std::string>& args) { return Finish(Launch(args)); }

  // What the recorder logged, in the order of the starts.
  std::vector<Start> Starts() const;
  size_t StartCount() const;

  // A test MIME type for *.ctest whose default application is the recorder, found through
  // PATH as corvane-assoc; GIO sees nothing of the machine's own associations.
  void InstallAssociation();
  std::string AssociatedProgram() const { return root_ + "/bin/corvane-assoc"; }

 private:
  std::string root_;
  std::map<std::string, std::string> env_;
  std::vector<std::string> removed_env_;
};

#endif  // CORVANE_TESTS_E2E_LINUX_HARNESS_H_
