// What the unit tests share: texts from string literals, readable failures, a fresh fake.
#ifndef CORVANE_TESTS_TEST_SUPPORT_H_
#define CORVANE_TESTS_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "driver/settings.h"
#include "platform/fake.h"
#include "platform/platform.h"
#include "runtime/list_reader.h"
#include "text/text.h"

inline Text T(const std::string& s) { return Text(s.data(), s.size()); }
inline std::string S(const Text& t) { return std::string(t.Bytes(), t.Length()); }
inline void PrintTo(const Text& t, std::ostream* out) { *out << testing::PrintToString(S(t)); }

// A shell request as the fake records it: everything but the file and the parameters must be
// what a zero-filled record holds, with cbSize, fMask (NOCLOSEPROCESS | NOASYNC) and the default
// show state (direct mode too: a document opened hidden would get a window no one can see or
// close).
// The options that shape a start may add FLAG_NO_UI (1024) to the mask, a verb, a folder and
// another show state.
inline std::string ShellRequest(const std::string& file, const char* parameters,
                                const char* verb = nullptr, const char* folder = nullptr,
                                int show = 10, int mask = 320) {
  const auto quoted = [](const char* text) {
    return text ? "\"" + std::string(text) + "\"" : std::string("null");
  };
  return "ShellExecute(cbSize=" + std::to_string(sizeof(platform::ShellExecuteRecord)) +
         " fMask=" + std::to_string(mask) + " hwnd=null lpVerb=" + quoted(verb) + " lpFile=\"" +
         file + "\" lpParameters=" + quoted(parameters) + " lpDirectory=" + quoted(folder) +
         " nShow=" + std::to_string(show) +
         " hInstApp=null lpIDList=null lpClass=null hkeyClass=null dwHotKey=0 hIcon=null"
         " hProcess=null)";
}
// The fake hands out process handles 0x100, 0x104, ...; the n-th start (from 0) got this one.
inline std::string Handle(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%#x", 0x100 + 4 * n);
  return buffer;
}
inline std::string WaitIdleOf(int n) { return "WaitForInputIdle(" + Handle(n) + ", 4294967295)"; }
inline std::string CloseOf(int n) { return "CloseHandle(" + Handle(n) + ")"; }

// COM set up for the shell, once before the first start.
const char kPrepareShell[] = "CoInitializeEx(null, 6)";

// The usage box, as the fake records it.
const char kUsageBox[] =
    "MessageBox(\"Usage: corvane [/X:<exe-file>] [/B:<b-params>] /L:<filelist> "
    "[/E:<e-params>]\", \"Corvane v1.3\", 64)";

// The list file as the fake opens it.
const char kReadList[] = "ReadFile(0xf11e, 128)";
const char kCloseList[] = "CloseHandle(0xf11e)";

using Strings = std::vector<std::string>;

// Every test starts from a process that has just begun.
class FakeTest : public testing::Test {
 protected:
  void SetUp() override { Restart(); }
  // For table rows that each need a process of their own.
  fake::State& Restart() {
    ResetSettings();
    PendingIoError = 0;
    return fake::Reset();
  }
  fake::State& Fake() { return fake::Get(); }
  const Strings& Calls() { return fake::Calls(); }
};

// Runs body and gives the exit code it ended the process with, or -1 when it returned.
template <typename Body>
long long ExitCodeOf(Body body) {
  try {
    body();
  } catch (const fake::ProcessEnded& ended) {
    return ended.code;
  }
  return -1;
}

#endif  // CORVANE_TESTS_TEST_SUPPORT_H_
