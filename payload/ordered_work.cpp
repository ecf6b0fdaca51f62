#include "payload/ordered_work.h"

#include <memory>
#include <new>

#include "payload/threads.h"
#include "payload/worker_count.h"

namespace {

class OrderedRun {
 public:
  OrderedRun(OrderedWork& work, uint32_t count, uint32_t window)
      : work_(work), count_(count), window_(window) {}

  // False when no thread could be started (nothing was produced then).
  bool Start(unsigned workers);
  bool ConsumeAll();

 private:
  struct Worker {
    OrderedRun* run;
    unsigned index;
    Thread thread;
  };
  static void RunWorker(void* worker);
  void Work(unsigned index);
  void Stop();

  OrderedWork& work_;
  const uint32_t count_;
  const uint32_t window_;
  std::unique_ptr<bool[]> produced_;  // by item % window
  std::unique_ptr<Worker[]> workers_;
  unsigned workerCount_ = 0;
  SyncLock lock_;
  SyncCondition workerWake_;    // workers wait for room in the window
  SyncCondition consumerWake_;  // the consumer waits for the next item
  uint32_t next_ = 0;           // the next item to produce
  uint32_t consumed_ = 0;       // items consumed
  bool stopping_ = false;
  unsigned workersWaiting_ = 0;
  bool consumerWaiting_ = false;
};

bool OrderedRun::Start(unsigned workers) {
  produced_.reset(new (std::nothrow) bool[window_]());
  workers_.reset(new (std::nothrow) Worker[workers]);
  if (produced_ == nullptr || workers_ == nullptr) return false;
  for (unsigned w = 0; w < workers; ++w) {
    workers_[w].run = this;
    workers_[w].index = w;
    if (!workers_[w].thread.Start(&OrderedRun::RunWorker, &workers_[w])) break;
    ++workerCount_;
  }
  return workerCount_ != 0;
}

void OrderedRun::RunWorker(void* worker) {
  Worker& self = *static_cast<Worker*>(worker);
  self.run->Work(self.index);
}

void OrderedRun::Work(unsigned index) {
  std::unique_lock<SyncLock> held(lock_);
  for (;;) {
    auto ready = [this] { return stopping_ || next_ == count_ || next_ - consumed_ < window_; };
    if (!ready()) {
      ++workersWaiting_;
      workerWake_.wait(held, ready);
      --workersWaiting_;
    }
    if (stopping_ || next_ == count_) return;
    const uint32_t item = next_++;
    held.unlock();
    work_.Produce(item, index);
    held.lock();
    produced_[item % window_] = true;
    if (consumerWaiting_ && item == consumed_) consumerWake_.notify_one();
  }
}

bool OrderedRun::ConsumeAll() {
  bool all = true;
  while (all && consumed_ < count_) {
    std::unique_lock<SyncLock> held(lock_);
    bool& produced = produced_[consumed_ % window_];
    if (!produced) {
      consumerWaiting_ = true;
      consumerWake_.wait(held, [&] { return produced; });
      consumerWaiting_ = false;
    }
    produced = false;
    held.unlock();
    all = work_.Consume(consumed_);
    held.lock();
    ++consumed_;
    if (workersWaiting_ != 0) workerWake_.notify_all();
  }
  Stop();
  return all;
}

void OrderedRun::Stop() {
  {
    std::unique_lock<SyncLock> held(lock_);
    stopping_ = true;
    if (workersWaiting_ != 0) workerWake_.notify_all();
  }
  for (unsigned w = 0; w < workerCount_; ++w) workers_[w].thread.Join();
}

}  // namespace

bool RunInOrder(OrderedWork& work, uint32_t count, unsigned workers, uint32_t window) {
  if (workers > MaxWorkers) workers = MaxWorkers;
  if (window == 0) window = 1;
  if (workers > 1) {
    OrderedRun run(work, count, window);
    if (run.Start(workers)) return run.ConsumeAll();
  }
  for (uint32_t item = 0; item < count; ++item) {
    work.Produce(item, 0);
    if (!work.Consume(item)) return false;
  }
  return true;
}
