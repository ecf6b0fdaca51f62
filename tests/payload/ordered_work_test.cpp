// RunInOrder: results consumed in item order whatever the number of workers, never
// more than the window ahead, each worker's state used by one item at a time.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "payload/ordered_work.h"
#include "payload/worker_count.h"

namespace {

class Recorder : public OrderedWork {
 public:
  Recorder(uint32_t window, uint32_t stopAt) : window(window), stopAt(stopAt), slots(window) {}

  void Produce(uint32_t item, unsigned worker) override {
    if (worker >= MaxWorkers || busy[worker].exchange(true)) sharedWorker = true;
    if (item >= consumed.load() + window) beyondWindow = true;
    if (item % 3 == 0) std::this_thread::yield();  // let later items overtake
    slots[item % window] = item;
    ++produced;
    busy[worker % MaxWorkers] = false;
  }
  bool Consume(uint32_t item) override {
    if (slots[item % window] != item) slotOverwritten = true;
    order.push_back(item);
    ++consumed;
    return item != stopAt;
  }

  const uint32_t window;
  const uint32_t stopAt;
  std::vector<uint32_t> slots;
  std::vector<uint32_t> order;
  std::atomic<uint32_t> consumed{0};
  std::atomic<uint32_t> produced{0};
  std::atomic<bool> busy[MaxWorkers] = {};
  std::atomic<bool> sharedWorker{false};
  std::atomic<bool> beyondWindow{false};
  bool slotOverwritten = false;
};

}  // namespace

TEST(OrderedWork, ConsumesEveryItemInOrderWithinTheWindow) {
  for (unsigned workers : {1u, 2u, 4u}) {
    for (uint32_t window : {1u, 3u, 8u}) {
      Recorder r(window, UINT32_MAX);
      EXPECT_TRUE(RunInOrder(r, 500, workers, window));
      std::vector<uint32_t> expected(500);
      for (uint32_t i = 0; i < 500; ++i) expected[i] = i;
      EXPECT_EQ(r.order, expected) << workers << " workers, window " << window;
      EXPECT_EQ(r.produced, 500u);
      EXPECT_FALSE(r.beyondWindow) << workers << " workers, window " << window;
      EXPECT_FALSE(r.slotOverwritten) << workers << " workers, window " << window;
      EXPECT_FALSE(r.sharedWorker) << workers << " workers, window " << window;
    }
  }
  Recorder none(4, UINT32_MAX);
  EXPECT_TRUE(RunInOrder(none, 0, 4, 4));
  EXPECT_TRUE(none.order.empty());
}

TEST(OrderedWork, ConsumeThatFailsEndsTheRun) {
  for (unsigned workers : {1u, 2u, 4u}) {
    Recorder r(6, 100);
    EXPECT_FALSE(RunInOrder(r, 500, workers, 6));
    ASSERT_EQ(r.order.size(), 101u) << workers;
    EXPECT_EQ(r.order.back(), 100u);
    // Nothing starts after the failure beyond what the window had let start.
    EXPECT_LE(r.produced, 101u + 6u) << workers;
  }
}
