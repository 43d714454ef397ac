// GoogleTest's Windows threading wants std::mutex for its Notification, which the win32-thread
// MinGW does not have. Only GoogleTest's own thread helpers use Notification; a Win32 event
// does the same job.
#ifndef CORVANE_TESTS_E2E_WINDOWS_GTEST_NOTIFICATION_H_
#define CORVANE_TESTS_E2E_WINDOWS_GTEST_NOTIFICATION_H_

#include <windows.h>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#endif  // CORVANE_TESTS_E2E_WINDOWS_GTEST_NOTIFICATION_H_
