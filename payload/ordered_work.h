// RunInOrder: work on items 0..count-1 spread over worker threads, with the results
// taken in item order on the calling thread (exar's pack and verify).
//
// Produce(item, worker) runs on worker thread `worker` (0..workers-1), several items
// at once, each item once, started in item order. Consume(item) runs on the calling
// thread for item 0, 1, 2 ... in order, each once its Produce has returned. At most
// `window` items are produced ahead of the one being consumed, so a caller that keeps
// each item's result in slot item % window never finds a slot taken before it was
// consumed. Consume returning false ends the run: no further item starts, those under
// way finish and are not consumed. With one worker, or when no thread can be started,
// everything runs on the calling thread: Produce(item, 0), then Consume(item).
#pragma once

#include <cstdint>

class OrderedWork {
 public:
  virtual void Produce(uint32_t item, unsigned worker) = 0;
  virtual bool Consume(uint32_t item) = 0;

 protected:
  ~OrderedWork() = default;
};

// True when every item was consumed. workers is at most MaxWorkers; window at least 1.
bool RunInOrder(OrderedWork& work, uint32_t count, unsigned workers, uint32_t window);
