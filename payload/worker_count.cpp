#include "payload/worker_count.h"

#include "payload/threads.h"

unsigned WorkerCount(unsigned requested) {
  const unsigned count = requested != 0 ? requested : Thread::ProcessorCount();
  return count < MaxWorkers ? count : MaxWorkers;
}
