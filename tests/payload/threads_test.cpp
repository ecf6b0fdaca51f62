// Thread, SyncLock and SyncCondition (payload/threads.h). The Windows build runs these
// twice under Wine: on the system's slim lock and condition variable, and with
// --legacy-sync on the implementation for Windows XP.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "payload/threads.h"
#include "tests/support/sync_test_main.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

void SetToSeven(void* argument) { *static_cast<int*>(argument) = 7; }

// Starts count threads that each run body(index), and joins them all.
template <typename Body>
void RunThreads(unsigned count, Body body) {
  std::vector<Thread> threads(count);
  for (unsigned i = 0; i < count; ++i) {
    ASSERT_TRUE(threads[i].Start([&body, i] { body(i); })) << "thread " << i;
  }
  for (Thread& thread : threads) thread.Join();
}

}  // namespace

#if defined(_WIN32)
TEST(Sync, UsesTheImplementationAskedFor) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const bool systemHasSlim = GetProcAddress(kernel, "SleepConditionVariableSRW") != nullptr &&
                             GetProcAddress(kernel, "AcquireSRWLockExclusive") != nullptr;
  EXPECT_EQ(SyncUsesSlimPrimitives(), systemHasSlim && !LegacySyncRequested());
}
#endif

TEST(Thread, RunsAFunctionWithItsArgument) {
  int value = 0;
  Thread thread;
  EXPECT_FALSE(thread.Joinable());
  ASSERT_TRUE(thread.Start(&SetToSeven, &value));
  EXPECT_TRUE(thread.Joinable());
  thread.Join();
  EXPECT_FALSE(thread.Joinable());
  EXPECT_EQ(value, 7);
  thread.Join();  // nothing to join: no effect
}

TEST(Thread, RunsACallableThatOnlyMoves) {
  auto owned = std::make_unique<int>(41);
  int seen = 0;
  Thread thread;
  ASSERT_TRUE(thread.Start([p = std::move(owned), &seen] { seen = *p + 1; }));
  thread.Join();
  EXPECT_EQ(seen, 42);
}

TEST(Thread, StartIsRefusedWhileAThreadIsNotJoined) {
  SyncLock lock;
  SyncCondition released;
  bool go = false;
  Thread thread;
  ASSERT_TRUE(thread.Start([&] {
    std::unique_lock<SyncLock> held(lock);
    released.wait(held, [&] { return go; });
  }));
  int value = 0;
  EXPECT_FALSE(thread.Start(&SetToSeven, &value));  // reported, not thrown
  EXPECT_FALSE(thread.Start([] {}));
  {
    std::lock_guard<SyncLock> held(lock);
    go = true;
    released.notify_one();
  }
  thread.Join();
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(thread.Start(&SetToSeven, &value));  // joined: may start again
  thread.Join();
  EXPECT_EQ(value, 7);
}

TEST(Thread, MovesAndJoinsOnDestruction) {
  int first = 0;
  int second = 0;
  {
    Thread a;
    ASSERT_TRUE(a.Start(&SetToSeven, &first));
    Thread b(std::move(a));
    EXPECT_FALSE(a.Joinable());
    EXPECT_TRUE(b.Joinable());
    Thread c;
    ASSERT_TRUE(c.Start(&SetToSeven, &second));
    c = std::move(b);  // joins c's own thread first
    EXPECT_EQ(second, 7);
    EXPECT_TRUE(c.Joinable());
  }  // c joins a's thread
  EXPECT_EQ(first, 7);
}

TEST(Thread, ProcessorCountIsAtLeastOne) { EXPECT_GE(Thread::ProcessorCount(), 1u); }

TEST(SyncLock, KeepsACountExactAcrossThreads) {
  SyncLock lock;
  uint64_t count = 0;
  constexpr unsigned Threads = 4;
  constexpr unsigned Rounds = 20000;
  RunThreads(Threads, [&](unsigned) {
    for (unsigned i = 0; i < Rounds; ++i) {
      std::lock_guard<SyncLock> held(lock);
      count = count + 1;
    }
  });
  EXPECT_EQ(count, uint64_t{Threads} * Rounds);
}

TEST(SyncCondition, TwoThreadsTakeTurnsWithNotifyOne) {
  SyncLock lock;
  SyncCondition turnChanged;
  int turn = 0;  // 0: main, 1: the other thread
  int exchanges = 0;
  constexpr int Rounds = 1000;
  Thread other;
  ASSERT_TRUE(other.Start([&] {
    for (int i = 0; i < Rounds; ++i) {
      std::unique_lock<SyncLock> held(lock);
      turnChanged.wait(held, [&] { return turn == 1; });
      ++exchanges;
      turn = 0;
      turnChanged.notify_one();
    }
  }));
  for (int i = 0; i < Rounds; ++i) {
    std::unique_lock<SyncLock> held(lock);
    turnChanged.wait(held, [&] { return turn == 0; });
    ++exchanges;
    turn = 1;
    turnChanged.notify_one();
  }
  {
    std::unique_lock<SyncLock> held(lock);
    turnChanged.wait(held, [&] { return turn == 0; });
  }
  other.Join();
  EXPECT_EQ(exchanges, 2 * Rounds);
}

TEST(SyncCondition, NotifyAllWakesEveryWaiter) {
  SyncLock lock;
  SyncCondition start;       // the waiters wait here for the round
  SyncCondition arrivals;    // main waits here for them to be waiting, then done
  constexpr unsigned Waiters = 6;
  constexpr int Rounds = 50;
  int round = 0;
  unsigned waiting = 0;
  unsigned done = 0;
  RunThreads(Waiters + 1, [&](unsigned index) {
    if (index == Waiters) {  // the one that starts each round
      for (int r = 1; r <= Rounds; ++r) {
        std::unique_lock<SyncLock> held(lock);
        arrivals.wait(held, [&] { return waiting == Waiters; });
        waiting = 0;
        done = 0;
        round = r;
        start.notify_all();  // every waiter must go on: none is woken again
        arrivals.wait(held, [&] { return done == Waiters; });
      }
      return;
    }
    for (int r = 1; r <= Rounds; ++r) {
      std::unique_lock<SyncLock> held(lock);
      ++waiting;
      arrivals.notify_one();
      start.wait(held, [&] { return round == r; });
      ++done;
      arrivals.notify_one();
    }
  });
  EXPECT_EQ(round, Rounds);
  EXPECT_EQ(done, Waiters);
}

TEST(SyncCondition, WaitersForDifferentPredicatesShareOneCondition) {
  // A ring: thread i goes when turn % Threads == i, every thread waits on the one
  // condition for its own turn, and each move wakes them all. A wake taken by the
  // wrong thread or lost would stop the ring.
  SyncLock lock;
  SyncCondition turnChanged;
  constexpr unsigned Threads = 5;
  constexpr unsigned Laps = 200;
  unsigned turn = 0;
  std::vector<unsigned> order;
  RunThreads(Threads, [&](unsigned index) {
    for (unsigned lap = 0; lap < Laps; ++lap) {
      std::unique_lock<SyncLock> held(lock);
      turnChanged.wait(held, [&] { return turn % Threads == index; });
      order.push_back(index);
      ++turn;
      turnChanged.notify_all();
    }
  });
  ASSERT_EQ(order.size(), Threads * Laps);
  for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i % Threads) << i;
}

TEST(SyncCondition, NotifyOneHandsEveryTokenToAWaiter) {
  // Each token wakes one of several waiters; every waiter must get exactly one.
  SyncLock lock;
  SyncCondition tokenReady;
  SyncCondition taken;
  constexpr unsigned Waiters = 6;
  unsigned tokens = 0;
  unsigned served = 0;
  std::vector<int> got(Waiters, 0);
  RunThreads(Waiters + 1, [&](unsigned index) {
    std::unique_lock<SyncLock> held(lock);
    if (index == Waiters) {
      for (unsigned t = 0; t < Waiters; ++t) {
        ++tokens;
        tokenReady.notify_one();
        taken.wait(held, [&] { return served == t + 1; });
      }
      return;
    }
    tokenReady.wait(held, [&] { return tokens != 0; });
    --tokens;
    ++got[index];
    ++served;
    taken.notify_one();
  });
  EXPECT_EQ(served, Waiters);
  for (unsigned i = 0; i < Waiters; ++i) EXPECT_EQ(got[i], 1) << i;
}

TEST(SyncCondition, WorkersFillABoundedPoolThatOneThreadEmptiesInOrder) {
  // The shape of a parallel extraction: workers take the next item, wait for a free
  // buffer, fill it; one thread takes the filled buffers in item order and frees them.
  SyncLock lock;
  SyncCondition changed;  // items claimed, buffers freed or filled: everyone re-checks
  constexpr unsigned Workers = 3;
  constexpr unsigned Buffers = 2;
  constexpr unsigned Items = 300;
  unsigned nextItem = 0;     // next item a worker takes
  unsigned freeBuffers = Buffers;
  std::vector<int> filled(Items, 0);
  std::vector<uint64_t> value(Items, 0);
  unsigned maxInUse = 0;
  uint64_t sum = 0;
  RunThreads(Workers + 1, [&](unsigned index) {
    std::unique_lock<SyncLock> held(lock);
    if (index == Workers) {  // the consumer
      for (unsigned item = 0; item < Items; ++item) {
        changed.wait(held, [&] { return filled[item] != 0; });
        sum += value[item];
        ++freeBuffers;
        changed.notify_all();
      }
      return;
    }
    for (;;) {
      // The next item's buffer: taken in item order, so the consumer's item always
      // has one (no worker holds a buffer for a later item while it waits).
      changed.wait(held, [&] { return nextItem == Items || freeBuffers != 0; });
      if (nextItem == Items) return;
      const unsigned item = nextItem++;
      --freeBuffers;
      if (Buffers - freeBuffers > maxInUse) maxInUse = Buffers - freeBuffers;
      held.unlock();
      const uint64_t result = uint64_t{item} * item + 1;  // the "decoding"
      held.lock();
      value[item] = result;
      filled[item] = 1;
      changed.notify_all();
    }
  });
  uint64_t expected = 0;
  for (unsigned item = 0; item < Items; ++item) expected += uint64_t{item} * item + 1;
  EXPECT_EQ(sum, expected);
  EXPECT_LE(maxInUse, Buffers);
  EXPECT_EQ(freeBuffers, Buffers);
}
