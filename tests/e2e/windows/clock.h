// The clock the probe and the test driver share, so that their times can be compared.
#ifndef CORVANE_TESTS_E2E_WINDOWS_CLOCK_H_
#define CORVANE_TESTS_E2E_WINDOWS_CLOCK_H_

#include <windows.h>

// Microseconds on the machine-wide monotonic clock, comparable between processes.
inline long long NowMicroseconds() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return count.QuadPart / frequency.QuadPart * 1000000 +
         count.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

#endif  // CORVANE_TESTS_E2E_WINDOWS_CLOCK_H_
