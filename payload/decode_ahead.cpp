// Why the current file cannot starve: let free be the free buffers and held the
// buffers of the current file and the consumer's last written chunk. free + held >= 2
// always: it holds at the start (at least MinBuffers free); a worker of another file
// takes a buffer only when more than Reserve = 2 are free, so free stays >= 2; a take
// for the current file, a write, a chunk's return and a new current file (whose
// buffers join held) never lower the sum. When the consumer waits for the current
// file and its worker has no buffer, held is at most the last written chunk, so a
// buffer is free and the worker may take it (its wait ends with every buffer given
// back and every change of the current file). Workers take files in entry order, so
// the current file has a worker unless every earlier file is done, and then one is
// free to take it.
#include "payload/decode_ahead.h"

#include <new>

struct DecodeAhead::Worker : ChunkSink {
  explicit Worker(DecodeAhead& owner) : owner(owner) {}
  uint8_t* Full(uint8_t* chunk) override {
    return owner.Deliver(*this, chunk, OutputBufferSize, false);
  }
  void Last(uint8_t* chunk, uint32_t length) override {
    owner.Deliver(*this, chunk, length, true);
  }

  DecodeAhead& owner;
  uint32_t ordinal = 0;  // the file being decoded
  FileDecoder decoder;
  Thread thread;
};

DecodeAhead::DecodeAhead(const ArchiveReader& reader) : reader_(reader) {}

DecodeAhead::~DecodeAhead() { Finish(); }

bool DecodeAhead::Start(unsigned workers, uint32_t buffers) {
  if (workerCount_ != 0 || finished_ || workers == 0 || buffers < MinBuffers) return false;
  if (!buffers_.Allocate(buffers)) return false;
  records_.reset(new (std::nothrow) Record[buffers]);
  free_.reset(new (std::nothrow) uint32_t[buffers]);
  slotCount_ = buffers + 1;
  slots_.reset(new (std::nothrow) Slot[slotCount_]);
  if (records_ == nullptr || free_ == nullptr || slots_ == nullptr) return false;
  for (uint32_t i = 0; i < buffers; ++i) free_[i] = buffers - 1 - i;
  freeCount_ = buffers;
  for (uint32_t s = 0; s < slotCount_; ++s) slots_[s] = Slot{None, None, true, false};
  nextFile_ = FileFrom(0);

  if (workers > MaxWorkers) workers = MaxWorkers;
  for (unsigned w = 0; w < workers; ++w) {
    std::unique_ptr<Worker> worker(new (std::nothrow) Worker(*this));
    if (worker == nullptr || !worker->thread.Start(&DecodeAhead::RunWorker, worker.get())) break;
    workers_[workerCount_++] = std::move(worker);
  }
  return workerCount_ != 0;
}

void DecodeAhead::RunWorker(void* worker) {
  Worker& self = *static_cast<Worker*>(worker);
  self.owner.Work(self);
}

int32_t DecodeAhead::FileFrom(int32_t entry) const {
  const int32_t count = reader_.EntryCount();
  while (entry < count && reader_.IsDirectory(entry)) ++entry;
  return entry;
}

bool DecodeAhead::CanTake(uint32_t ordinal) const {
  return freeCount_ > (ordinal == current_ ? 0 : Reserve);
}

bool DecodeAhead::CanClaim() const {
  return nextFile_ < reader_.EntryCount() && nextOrdinal_ - current_ < slotCount_ &&
         CanTake(nextOrdinal_);
}

uint32_t DecodeAhead::Take() { return free_[--freeCount_]; }

void DecodeAhead::Give(uint32_t buffer) {
  free_[freeCount_++] = buffer;
  WakeWorkers();
}

// Every worker waits on one condition, each for its own reason (a file, a buffer for
// the current file or another), so a change wakes them all; they are few.
void DecodeAhead::WakeWorkers() {
  if (workersWaiting_ != 0) workerWake_.notify_all();
}

void DecodeAhead::WakeConsumerFor(uint32_t ordinal) {
  if (consumerWaiting_ && ordinal == current_) consumerWake_.notify_one();
}

template <typename Done>
void DecodeAhead::WaitAsWorker(std::unique_lock<SyncLock>& held, Done done) {
  if (done()) return;
  ++workersWaiting_;
  workerWake_.wait(held, done);
  --workersWaiting_;
}

template <typename Done>
void DecodeAhead::WaitAsConsumer(std::unique_lock<SyncLock>& held, Done done) {
  if (done()) return;
  consumerWaiting_ = true;
  consumerWake_.wait(held, done);
  consumerWaiting_ = false;
}

void DecodeAhead::Work(Worker& worker) {
  std::unique_lock<SyncLock> held(lock_);
  for (;;) {
    WaitAsWorker(held, [this] { return stopping_ || CanClaim(); });
    if (stopping_) return;
    const uint32_t ordinal = nextOrdinal_++;
    const int32_t entry = nextFile_;
    nextFile_ = FileFrom(entry + 1);
    Slot& slot = SlotOf(ordinal);
    slot = Slot{None, None, false, false};
    worker.ordinal = ordinal;
    uint8_t* first = buffers_.Buffer(Take());
    held.unlock();
    const bool whole = worker.decoder.Decode(reader_.EntryBlock(entry), first, worker);
    held.lock();
    bytesDecoded_ += worker.decoder.Produced();
    if (!whole) {  // given up: Deliver returned its last buffer
      slot.finished = true;
      WakeConsumerFor(ordinal);
    }
  }
}

uint8_t* DecodeAhead::Deliver(Worker& worker, uint8_t* chunk, uint32_t length, bool last) {
  std::unique_lock<SyncLock> held(lock_);
  const uint32_t buffer = buffers_.IndexOf(chunk);
  Slot& slot = SlotOf(worker.ordinal);
  if (slot.cancelled || stopping_) {
    Give(buffer);
    if (last) {
      slot.finished = true;
      WakeConsumerFor(worker.ordinal);
    }
    return nullptr;
  }
  records_[buffer] = Record{length, last, None, 0, 0};
  if (last) {
    records_[buffer].fileCrc = worker.decoder.HandedCrc();
    records_[buffer].fileBytes = worker.decoder.HandedBytes();
  }
  if (slot.tail == None) {
    slot.head = static_cast<int32_t>(buffer);
  } else {
    records_[slot.tail].next = static_cast<int32_t>(buffer);
  }
  slot.tail = static_cast<int32_t>(buffer);
  if (last) slot.finished = true;
  WakeConsumerFor(worker.ordinal);
  if (last) return nullptr;
  const uint32_t ordinal = worker.ordinal;
  WaitAsWorker(held, [&] { return slot.cancelled || stopping_ || CanTake(ordinal); });
  if (slot.cancelled || stopping_) return nullptr;
  return buffers_.Buffer(Take());
}

DecodeAhead::Chunk DecodeAhead::NextChunk() {
  std::unique_lock<SyncLock> held(lock_);
  Slot& slot = SlotOf(current_);
  // The slot is the current file's once a worker has taken the file.
  WaitAsConsumer(held, [&] { return nextOrdinal_ != current_ && slot.head != None; });
  const uint32_t buffer = static_cast<uint32_t>(slot.head);
  const Record& record = records_[buffer];
  slot.head = record.next;
  if (slot.head == None) slot.tail = None;
  return Chunk{buffers_.Buffer(buffer), record.length, record.last, buffer, record.fileCrc,
               record.fileBytes};
}

void DecodeAhead::Written(const Chunk& chunk) {
  std::unique_lock<SyncLock> held(lock_);
  if (pending_ != None) Give(static_cast<uint32_t>(pending_));
  pending_ = static_cast<int32_t>(chunk.buffer);
}

void DecodeAhead::Unwritten(const Chunk& chunk) {
  std::unique_lock<SyncLock> held(lock_);
  Give(chunk.buffer);
}

void DecodeAhead::EndFile() {
  std::unique_lock<SyncLock> held(lock_);
  ++current_;
  WakeWorkers();
}

void DecodeAhead::DropFile() {
  std::unique_lock<SyncLock> held(lock_);
  if (nextOrdinal_ == current_) {
    // No worker has taken it: it is passed over.
    ++nextOrdinal_;
    nextFile_ = FileFrom(nextFile_ + 1);
  } else {
    Slot& slot = SlotOf(current_);
    slot.cancelled = true;
    WakeWorkers();  // its worker may wait for a buffer
    WaitAsConsumer(held, [&] { return slot.finished; });
    while (slot.head != None) {
      const uint32_t buffer = static_cast<uint32_t>(slot.head);
      slot.head = records_[buffer].next;
      Give(buffer);
    }
    slot.tail = None;
  }
  ++current_;
  WakeWorkers();
}

void DecodeAhead::Finish() {
  if (finished_) return;
  finished_ = true;
  {
    std::unique_lock<SyncLock> held(lock_);
    if (pending_ != None) Give(static_cast<uint32_t>(pending_));
    pending_ = None;
    stopping_ = true;
    WakeWorkers();
  }
  for (unsigned w = 0; w < workerCount_; ++w) workers_[w]->thread.Join();
}
