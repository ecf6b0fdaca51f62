// testing::internal::Notification for GoogleTest built by the win32 thread model
// MinGW-w64 compilers (cmake/mingw-common.cmake).
//
// Why: GoogleTest 1.12 defines this class over std::mutex and
// std::condition_variable, which GCC 12's C++ library does not provide in the win32
// thread model (GoogleTest then fails to build: "std::mutex not declared"). The posix
// thread model would provide them, but through winpthreads, which imports functions
// Windows XP lacks. GoogleTest leaves the class to us when GTEST_HAS_NOTIFICATION_ is
// 1: the top CMakeLists.txt builds it with that definition and this header forced
// into every file that sees GoogleTest's headers (-include), and adds
// gtest_notification_win32.cpp to it. The class is declared in the namespace
// GoogleTest expects and is only used by GoogleTest's own threading support.
//
// Over a manual-reset Win32 event, kept as a plain handle here so that this header,
// included everywhere, brings in no <windows.h> (whose macros clash with test code).
#pragma once

#ifdef __cplusplus
namespace testing {
namespace internal {

class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  // Lets every thread waiting for the notification (and every later one) go on.
  void Notify();
  // Blocks until Notify has been called.
  void WaitForNotification();

 private:
  void* event_;  // HANDLE of a manual-reset event, initially not signalled
};

}  // namespace internal
}  // namespace testing
#endif
