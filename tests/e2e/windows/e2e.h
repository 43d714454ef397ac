// What the end-to-end tests share: each test gets a fresh folder, runs the real corvane.exe
// there with an exact command line, and reads back what the probe logged about every start.
// Texts are UTF-8 throughout, paths included; they become UTF-16 at each Windows call.
#ifndef CORVANE_TESTS_E2E_WINDOWS_E2E_H_
#define CORVANE_TESTS_E2E_WINDOWS_E2E_H_

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "clock.h"
#include "utf16.h"

namespace e2e {

// The programs under test, as Wine names them (the host's / is drive Z:).
std::string Corvane();
std::string Probe();
std::string ProbeAlt();

// One start of the probe, as it logged it.
struct ProbeStart {
  long long started_us = 0;
  long long idle_us = -1;  // -1 until the probe became idle
  unsigned long pid = 0;
  int show = -1;             // wShowWindow; -1 when STARTF_USESHOWWINDOW was not set
  std::string module;        // GetModuleFileNameW
  std::string command_line;  // GetCommandLineW
  std::string folder;                  // GetCurrentDirectoryW
  std::vector<std::string> arguments;  // as the probe's C runtime split it, its name left out
};

struct CorvaneRun {
  DWORD exit_code = 0;
  long long started_us = 0;
  long long ended_us = 0;
  long long ElapsedMs() const { return (ended_us - started_us) / 1000; }
};

inline std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A row's pattern with its %s, if it has one, standing for the text.
std::string Fill(const std::string& pattern, const std::string& text);

// How the shell starts a program with parameters: the program in quotes, a blank, the text.
std::string ShellCommandLine(const std::string& program, const std::string& parameters);

// Wine's 64-bit loader may add one trailing blank to a raw command line. Command texts are
// trimmed, so a blank at the end can only be that one; it is dropped here, nothing else.
std::string WithoutLoaderBlank(const std::string& line);

// The probe's raw command line is the expected one, but for that trailing blank.
testing::AssertionResult SameCommandLine(const std::string& actual, const std::string& expected);

// The command lines of the starts, in the order they were logged.
std::vector<std::string> CommandLines(const std::vector<ProbeStart>& starts);

// A list's bytes in UTF-16LE from its UTF-8 text; no mark is added.
std::string Utf16Le(const std::string& text);

// Names of the running processes, by process id.
std::vector<std::pair<DWORD, std::string>> Processes();

class E2eTest : public testing::Test {
 protected:
  void SetUp() override;

  // A path in this test's own, fresh folder. The calls below take a name with backslashes and
  // a path longer than MAX_PATH.
  std::string Path(const std::string& name) const { return folder_ + "\\" + name; }
  void WriteFile(const std::string& name, const std::string& bytes);
  void MakeFolder(const std::string& name);
  // A copy of the probe in this folder, by its full path.
  std::string CopyProbe(const std::string& name);
  // The files and folders of this test's folder, sorted, the probe's log left out.
  std::vector<std::string> FolderEntries() const;

  // How long the probes started from now on wait before they become idle, in milliseconds.
  void SetIdleDelay(int milliseconds);

  // Runs corvane.exe in this test's folder with exactly this text after its quoted name. A run
  // may take as long as it keeps making progress (new probe starts, new output); one that made
  // none for limit_ms is killed and fails the test. With an output file named, corvane's
  // standard output is that new file, as cmd's > makes it.
  CorvaneRun RunCorvane(const std::string& arguments, DWORD limit_ms = 60000,
                        const std::string& output = "");
  // What a file of this folder holds.
  std::string FileBytes(const std::string& name) const;

  // Every start logged so far. Waits until at least `count` starts are logged and, with
  // `idle`, all of them became idle; a wait in which the log stopped growing for a minute
  // fails the test.
  std::vector<ProbeStart> Starts(size_t count = 0, bool idle = false);

  std::string folder_;
  std::string log_;
};

}  // namespace e2e

#endif  // CORVANE_TESTS_E2E_WINDOWS_E2E_H_
