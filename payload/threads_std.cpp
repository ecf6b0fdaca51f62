// Thread over std::thread, for every platform but Windows (see threads.h; SyncLock and
// SyncCondition are std::mutex and std::condition_variable there, in the header).
#include "payload/threads.h"

#include <exception>

Thread::Thread(Thread&& other) noexcept : thread_(std::move(other.thread_)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    thread_ = std::move(other.thread_);
  }
  return *this;
}

bool Thread::Start(Function function, void* argument) {
  if (thread_.joinable() || function == nullptr) return false;
  try {
    thread_ = std::thread(function, argument);
  } catch (const std::exception&) {  // std::system_error, std::bad_alloc
    return false;
  }
  return true;
}

bool Thread::Joinable() const noexcept { return thread_.joinable(); }

void Thread::Join() noexcept {
  if (thread_.joinable()) thread_.join();
}

unsigned Thread::ProcessorCount() noexcept {
  const unsigned count = std::thread::hardware_concurrency();
  return count != 0 ? count : 1;
}
