// Thread, SyncLock and SyncCondition on Windows (see threads.h for the contract).
//
// The build declares nothing later than Windows XP (_WIN32_WINNT 0x0501), and the
// program must start there: the slim reader/writer lock and condition variable of
// Vista and later are looked up in kernel32 once, at the first primitive made, and
// used through pointers. Without them (XP) a lock is a critical section and a
// condition is a queue of waiters, each with an event of its own.
#include "payload/threads.h"

#include <windows.h>
#include <process.h>

namespace {

// The slim lock and condition variable, as Vista's kernel32 exports them. SRWLOCK and
// CONDITION_VARIABLE are each one pointer, all zero when initialised.
using SlimPointer = void*;
struct SlimApi {
  void(WINAPI* acquireExclusive)(SlimPointer* lock);
  void(WINAPI* releaseExclusive)(SlimPointer* lock);
  BOOL(WINAPI* sleep)(SlimPointer* condition, SlimPointer* lock, DWORD milliseconds,
                      ULONG flags);
  void(WINAPI* wake)(SlimPointer* condition);
  void(WINAPI* wakeAll)(SlimPointer* condition);
};

bool forceLegacy = false;  // set by UseLegacySyncForTesting before anything is made

template <typename Pointer>
bool Find(HMODULE module, const char* name, Pointer* pointer) {
  *pointer = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *pointer != nullptr;
}

SlimApi Resolve() {
  SlimApi api{};
  if (forceLegacy) return api;
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return api;
  const bool all = Find(kernel, "AcquireSRWLockExclusive", &api.acquireExclusive) &&
                   Find(kernel, "ReleaseSRWLockExclusive", &api.releaseExclusive) &&
                   Find(kernel, "SleepConditionVariableSRW", &api.sleep) &&
                   Find(kernel, "WakeConditionVariable", &api.wake) &&
                   Find(kernel, "WakeAllConditionVariable", &api.wakeAll);
  if (!all) api = SlimApi{};
  return api;
}

// Decided once per process, by the first primitive made (the C++ library makes this
// initialisation thread-safe); null members mean the XP implementation.
const SlimApi& Slim() {
  static const SlimApi api = Resolve();
  return api;
}

bool UsesSlim() { return Slim().acquireExclusive != nullptr; }

// --- The XP condition ---
//
// Each waiting thread puts a record of itself at the end of the condition's queue and
// sleeps on its own auto-reset event; a notification takes records from the front and
// sets their events. A record leaves the queue only through a notification, so a wake
// goes to a thread that was waiting when it was made and cannot be taken by a thread
// that starts waiting later; nor can a notification be lost between a waiter's release
// of the lock and its sleep, because the event stays set until it sleeps. The queue is
// only read and changed under the caller's lock: by a waiter before it releases the
// lock and after it takes it again, and by notifications, which are made with the
// lock held (the rule of threads.h).
struct Waiter {
  HANDLE event;
  Waiter* next;
  bool queued;
};

constexpr unsigned SpareEvents = 5;
struct LegacyCondition {
  Waiter* head;
  Waiter* tail;
  unsigned spareCount;
  HANDLE spare[SpareEvents];  // events of earlier waits, kept for the next ones
};

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(void*) * 6, "SyncLock::storage_ too small");
static_assert(sizeof(LegacyCondition) <= sizeof(void*) * 8,
              "SyncCondition::storage_ too small");

HANDLE TakeEvent(LegacyCondition& c) {
  if (c.spareCount != 0) return c.spare[--c.spareCount];
  return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

void GiveEvent(LegacyCondition& c, HANDLE event) {
  if (c.spareCount < SpareEvents) {
    c.spare[c.spareCount++] = event;
  } else {
    CloseHandle(event);
  }
}

void Unlink(LegacyCondition& c, Waiter* waiter) {
  Waiter* before = nullptr;
  for (Waiter* w = c.head; w != nullptr; before = w, w = w->next) {
    if (w != waiter) continue;
    if (before == nullptr) c.head = w->next; else before->next = w->next;
    if (c.tail == w) c.tail = before;
    w->queued = false;
    return;
  }
}

// Takes the first waiter off the queue and wakes it.
bool WakeFirst(LegacyCondition& c) {
  Waiter* first = c.head;
  if (first == nullptr) return false;
  c.head = first->next;
  if (c.head == nullptr) c.tail = nullptr;
  first->queued = false;
  const HANDLE event = first->event;  // first may be gone once its event is set
  SetEvent(event);
  return true;
}

struct ThreadStart {
  Thread::Function function;
  void* argument;
};

unsigned __stdcall RunThread(void* start) noexcept {
  const ThreadStart what = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  what.function(what.argument);
  return 0;
}

}  // namespace

// --- Thread ---

Thread::Thread(Thread&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

bool Thread::Start(Function function, void* argument) {
  if (handle_ != nullptr || function == nullptr) return false;
  ThreadStart* start = new (std::nothrow) ThreadStart{function, argument};
  if (start == nullptr) return false;
  const uintptr_t handle = _beginthreadex(nullptr, 0, &RunThread, start, 0, nullptr);
  if (handle == 0) {
    delete start;
    return false;
  }
  handle_ = reinterpret_cast<void*>(handle);
  return true;
}

bool Thread::Joinable() const noexcept { return handle_ != nullptr; }

void Thread::Join() noexcept {
  if (handle_ == nullptr) return;
  WaitForSingleObject(handle_, INFINITE);
  CloseHandle(handle_);
  handle_ = nullptr;
}

unsigned Thread::ProcessorCount() noexcept {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors != 0 ? info.dwNumberOfProcessors : 1;
}

// --- SyncLock ---

SyncLock::SyncLock() noexcept {
  if (UsesSlim()) {
    storage_[0] = nullptr;  // SRWLOCK_INIT
  } else {
    InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
  }
}

SyncLock::~SyncLock() {
  if (!UsesSlim()) DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
}

void SyncLock::lock() noexcept {
  const SlimApi& slim = Slim();
  if (slim.acquireExclusive != nullptr) {
    slim.acquireExclusive(&storage_[0]);
  } else {
    EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
  }
}

void SyncLock::unlock() noexcept {
  const SlimApi& slim = Slim();
  if (slim.releaseExclusive != nullptr) {
    slim.releaseExclusive(&storage_[0]);
  } else {
    LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_));
  }
}

// --- SyncCondition ---

SyncCondition::SyncCondition() noexcept {
  if (UsesSlim()) {
    storage_[0] = nullptr;  // CONDITION_VARIABLE_INIT
  } else {
    new (storage_) LegacyCondition{nullptr, nullptr, 0, {}};
  }
}

SyncCondition::~SyncCondition() {
  if (UsesSlim()) return;
  LegacyCondition& c = *reinterpret_cast<LegacyCondition*>(storage_);
  while (c.spareCount != 0) CloseHandle(c.spare[--c.spareCount]);
}

void SyncCondition::WaitOnce(SyncLock& lock) noexcept {
  const SlimApi& slim = Slim();
  if (slim.sleep != nullptr) {
    slim.sleep(&storage_[0], &lock.storage_[0], INFINITE, 0);
    return;
  }
  LegacyCondition& c = *reinterpret_cast<LegacyCondition*>(storage_);
  CRITICAL_SECTION* held = reinterpret_cast<CRITICAL_SECTION*>(lock.storage_);
  Waiter self{TakeEvent(c), nullptr, true};
  if (self.event == nullptr) {
    // No event to be had: let the others run a little and have the caller check its
    // predicate again (a wake without notification, which the contract allows).
    LeaveCriticalSection(held);
    Sleep(1);
    EnterCriticalSection(held);
    return;
  }
  if (c.tail == nullptr) c.head = &self; else c.tail->next = &self;
  c.tail = &self;
  LeaveCriticalSection(held);
  const DWORD waited = WaitForSingleObject(self.event, INFINITE);
  EnterCriticalSection(held);
  if (self.queued) Unlink(c, &self);  // only if the wait itself failed
  if (waited == WAIT_OBJECT_0) {
    GiveEvent(c, self.event);  // reset again by the wait it satisfied
  } else {
    CloseHandle(self.event);
  }
}

void SyncCondition::notify_one() noexcept {
  const SlimApi& slim = Slim();
  if (slim.wake != nullptr) {
    slim.wake(&storage_[0]);
    return;
  }
  WakeFirst(*reinterpret_cast<LegacyCondition*>(storage_));
}

void SyncCondition::notify_all() noexcept {
  const SlimApi& slim = Slim();
  if (slim.wakeAll != nullptr) {
    slim.wakeAll(&storage_[0]);
    return;
  }
  LegacyCondition& c = *reinterpret_cast<LegacyCondition*>(storage_);
  while (WakeFirst(c)) {
  }
}

bool UseLegacySyncForTesting() {
  forceLegacy = true;
  return !UsesSlim();
}

bool SyncUsesSlimPrimitives() { return UsesSlim(); }
