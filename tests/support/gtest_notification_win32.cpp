// testing::internal::Notification over a manual-reset event: see the header.
#include "gtest_notification_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace testing {
namespace internal {

namespace {
[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "gtest Notification: %s failed (error %lu)\n", what,
               static_cast<unsigned long>(GetLastError()));
  std::abort();
}
}  // namespace

Notification::Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  if (event_ == nullptr) Fail("CreateEventA");
}

Notification::~Notification() { CloseHandle(event_); }

void Notification::Notify() {
  if (!SetEvent(event_)) Fail("SetEvent");
}

void Notification::WaitForNotification() {
  if (WaitForSingleObject(event_, INFINITE) != WAIT_OBJECT_0) Fail("WaitForSingleObject");
}

}  // namespace internal
}  // namespace testing
