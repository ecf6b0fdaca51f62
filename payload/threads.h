// Threads, a lock and a condition for the payload's work between threads: portable
// C++17, the same contract on every platform.
//
// Thread        runs one callable, or a function with an argument, on a thread of its
//               own. Start reports failure (no thread, no memory) by returning false,
//               never by throwing; what it runs must not throw (as with std::thread,
//               an exception leaving it ends the process). Join waits for the end; the
//               destructor joins a thread still running. Movable, not copyable.
// SyncLock      a plain lock (not recursive): lock(), unlock(); use it through
//               std::unique_lock<SyncLock> or std::lock_guard<SyncLock>.
// SyncCondition wait(held, done): waits, the lock released meanwhile, until done()
//               holds; done() is checked with the lock held, before any wait and
//               after every wake. notify_one wakes at least one waiting thread,
//               notify_all every thread waiting when it is called. Any number of
//               threads may wait on one condition, each for its own predicate.
//
// The rule that makes the conditions correct everywhere: change what a predicate
// reads, and call notify_one / notify_all, only with the condition's lock held; and
// wait on one condition with one lock only.
//
// Natively they are std::thread, std::mutex and std::condition_variable. On Windows
// (threads_win32.cpp) the lock and condition are the system's slim reader/writer lock
// and condition variable where kernel32 exports them (Vista and later, and Wine), found
// once at run time and never imported: under Wine a wake through them took 40 to 130
// microseconds a round trip against 500 to 900 for waits through the Wine server.
// Windows XP has neither: there a lock is a critical section and a condition a queue
// of waiting threads, each woken through an event of its own, and every wait and
// notification reads that queue under the lock (hence the rule above). Threads are
// started with _beginthreadex.
#pragma once

#include <memory>
#include <mutex>  // std::unique_lock, std::lock_guard
#include <new>
#include <type_traits>
#include <utility>

#if !defined(_WIN32)
#include <condition_variable>
#include <thread>
#endif

class Thread {
 public:
  using Function = void (*)(void* argument);

  Thread() noexcept = default;
  ~Thread() { Join(); }
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;  // joins this thread first
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts function(argument) on a new thread. False when no thread could be started,
  // or when this one already has a thread that was not joined.
  bool Start(Function function, void* argument);
  // Starts a copy of the callable (moved when given an rvalue) on a new thread.
  template <typename Callable>
  bool Start(Callable&& callable);

  bool Joinable() const noexcept;
  // Waits for the thread's end; nothing to do when there is no thread.
  void Join() noexcept;

  // How many threads can run at once on this machine (at least 1).
  static unsigned ProcessorCount() noexcept;

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;  // HANDLE
#else
  std::thread thread_;
#endif
};

template <typename Callable>
bool Thread::Start(Callable&& callable) {
  struct Box {
    std::decay_t<Callable> callable;
    static void Run(void* box) {
      std::unique_ptr<Box> owned(static_cast<Box*>(box));
      owned->callable();
    }
  };
  if (Joinable()) return false;
  Box* box = new (std::nothrow) Box{std::forward<Callable>(callable)};
  if (box == nullptr) return false;
  if (Start(&Box::Run, box)) return true;
  delete box;
  return false;
}

#if defined(_WIN32)

class SyncLock {
 public:
  SyncLock() noexcept;
  ~SyncLock();
  SyncLock(const SyncLock&) = delete;
  SyncLock& operator=(const SyncLock&) = delete;
  void lock() noexcept;
  void unlock() noexcept;

 private:
  friend class SyncCondition;
  // A slim reader/writer lock or a CRITICAL_SECTION (threads_win32.cpp).
  void* storage_[6];
};

class SyncCondition {
 public:
  SyncCondition() noexcept;
  ~SyncCondition();  // no thread may still wait
  SyncCondition(const SyncCondition&) = delete;
  SyncCondition& operator=(const SyncCondition&) = delete;

  template <typename Done>
  void wait(std::unique_lock<SyncLock>& held, Done done) {
    while (!done()) WaitOnce(*held.mutex());
  }
  void notify_one() noexcept;
  void notify_all() noexcept;

 private:
  // One wait: returns with the lock held again after a notification (or, seldom,
  // without one: the caller checks its predicate again).
  void WaitOnce(SyncLock& lock) noexcept;
  // A condition variable, or the queue of waiters and spare events (threads_win32.cpp).
  void* storage_[8];
};

// Test-only: makes this process use the Windows XP implementation of SyncLock and
// SyncCondition even where the system has the slim ones, so that tests under Wine
// cover both. Call it before any SyncLock or SyncCondition is made. Returns whether
// the process now uses the XP implementation (false when a primitive was already made
// with the other one).
bool UseLegacySyncForTesting();
// Whether this process uses the system's slim lock and condition variable (decided by
// the first primitive made, or here).
bool SyncUsesSlimPrimitives();

#else  // !_WIN32

class SyncLock {
 public:
  SyncLock() = default;
  SyncLock(const SyncLock&) = delete;
  SyncLock& operator=(const SyncLock&) = delete;
  void lock() { mutex_.lock(); }
  void unlock() noexcept { mutex_.unlock(); }

 private:
  friend class SyncCondition;
  std::mutex mutex_;
};

class SyncCondition {
 public:
  SyncCondition() = default;
  SyncCondition(const SyncCondition&) = delete;
  SyncCondition& operator=(const SyncCondition&) = delete;

  template <typename Done>
  void wait(std::unique_lock<SyncLock>& held, Done done) {
    std::unique_lock<std::mutex> inner(held.mutex()->mutex_, std::adopt_lock);
    condition_.wait(inner, done);
    inner.release();  // the lock stays held, and owned by held
  }
  void notify_one() noexcept { condition_.notify_one(); }
  void notify_all() noexcept { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

// There is one implementation here: no XP path to switch to.
inline bool UseLegacySyncForTesting() { return false; }

#endif
