// What the unit tests share: texts from string literals, readable failures, a fresh fake.
#ifndef CORVANE_TESTS_TEST_SUPPORT_H_
#define CORVANE_TESTS_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "driver/settings.h"
#include "platform/fake.h"
#include "runtime/list_reader.h"
#include "text/text.h"

inline Text T(const std::string& s) { return Text(s.data(), s.size()); }
inline std::string S(const Text& t) { return std::string(t.Bytes(), t.Length()); }
inline void PrintTo(const Text& t, std::ostream* out) { *out << testing::PrintToString(S(t)); }

// Every test starts from a process that has just begun.
class FakeTest : public testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ResetSettings();
    PendingIoError = 0;
  }
  fake::State& Fake() { return fake::Get(); }
  std::vector<std::string> Calls() { return fake::Calls(); }
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
