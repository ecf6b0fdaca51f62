// DecodeAhead: decodes the files of a checked archive on worker threads, ahead of one
// consumer (the engine's thread) that takes their chunks strictly in entry order.
//
// Workers take the files in entry order, each decoding with a FileDecoder of its own
// into buffers of a bounded pool; a file larger than the pool streams through it. The
// consumer goes through the archive's files in the same order: it takes the current
// file's chunks (NextChunk), says when each chunk's write has returned (Written), and
// ends the file with EndFile after its last chunk, or with DropFile when it does not
// want the rest (the file cannot be created, a write failed). A dropped file that no
// worker has taken yet is never decoded; one being decoded stops within a buffer.
//
// The current file always progresses: a worker takes a buffer for another file only
// while more than Reserve buffers are free. A target may read a write's data until
// its next Write returns, so a chunk goes back to the pool only when the next chunk
// has been written, or at Finish.
//
// Start fails, with nothing running, when the pool or the workers cannot be had; the
// caller then decodes on its own thread. Every call but Start is the consumer's.
#pragma once

#include <cstdint>
#include <memory>

#include "payload/archive_reader.h"
#include "payload/file_decoder.h"
#include "payload/output_buffers.h"
#include "payload/threads.h"
#include "payload/worker_count.h"

class DecodeAhead {
 public:
  static constexpr uint32_t Reserve = 2;
  static constexpr uint32_t MinBuffers = Reserve + 1;

  struct Chunk {
    const uint8_t* data;
    uint32_t length;
    bool last;  // the file's last chunk
    uint32_t buffer;
    // On the last chunk: the CRC-32 and count of all the file's bytes (FileDecoder).
    uint32_t fileCrc;
    uint64_t fileBytes;
  };

  explicit DecodeAhead(const ArchiveReader& reader);
  ~DecodeAhead();  // Finish
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Allocates `buffers` buffers (MinBuffers at least) and starts up to `workers`
  // threads (at most MaxWorkers), which set to work at once. False when no thread runs.
  bool Start(unsigned workers, uint32_t buffers);
  unsigned Workers() const { return workerCount_; }

  // The current file's next chunk, once decoded.
  Chunk NextChunk();
  // The chunk's write has returned: the chunk written before it goes back to the pool.
  void Written(const Chunk& chunk);
  // The chunk is not written at all: it goes back at once, and the chunk written
  // before it stays out until the next write or Finish.
  void Unwritten(const Chunk& chunk);
  // After the current file's last chunk: the next file becomes current.
  void EndFile();
  // The current file's remaining chunks are not wanted: its decoding stops (or never
  // starts), its chunks go back, and the next file becomes current.
  void DropFile();
  // After the target has finished with every write: the last chunk goes back and the
  // workers end. The destructor does it too.
  void Finish();

  // Bytes the workers decoded, those of dropped files included; valid after Finish.
  uint64_t BytesDecoded() const { return bytesDecoded_; }

 private:
  struct Worker;
  struct Record {  // a buffer's chunk, while it waits for the consumer
    uint32_t length;
    bool last;
    int32_t next;  // the next chunk of the same file, or None
    uint32_t fileCrc;  // on the last chunk, as in Chunk
    uint64_t fileBytes;
  };
  struct Slot {  // one file between its worker and the consumer
    int32_t head;  // its chunks ready for the consumer, oldest first
    int32_t tail;
    bool finished;   // its worker no longer touches it
    bool cancelled;  // dropped by the consumer
  };
  static constexpr int32_t None = -1;

  static void RunWorker(void* worker);
  void Work(Worker& worker);
  uint8_t* Deliver(Worker& worker, uint8_t* chunk, uint32_t length, bool last);

  // All with the lock held.
  bool CanTake(uint32_t ordinal) const;
  bool CanClaim() const;
  uint32_t Take();
  void Give(uint32_t buffer);
  void WakeWorkers();
  void WakeConsumerFor(uint32_t ordinal);
  template <typename Done>
  void WaitAsWorker(std::unique_lock<SyncLock>& held, Done done);
  template <typename Done>
  void WaitAsConsumer(std::unique_lock<SyncLock>& held, Done done);
  Slot& SlotOf(uint32_t ordinal) { return slots_[ordinal % slotCount_]; }
  int32_t FileFrom(int32_t entry) const;

  const ArchiveReader& reader_;
  OutputBuffers buffers_;
  std::unique_ptr<Record[]> records_;
  std::unique_ptr<uint32_t[]> free_;
  std::unique_ptr<Slot[]> slots_;
  // A file's ordinal is its place among the archive's files; files in flight are
  // fewer than slotCount_, each holding a buffer or being the current one.
  uint32_t slotCount_ = 0;
  std::unique_ptr<Worker> workers_[MaxWorkers];
  unsigned workerCount_ = 0;
  bool finished_ = false;

  SyncLock lock_;
  SyncCondition workerWake_;    // workers wait here for a file or a buffer
  SyncCondition consumerWake_;  // the consumer waits here for a chunk or a dropped file
  uint32_t freeCount_ = 0;
  int32_t nextFile_ = 0;        // entry of the next file to be taken
  uint32_t nextOrdinal_ = 0;    // its ordinal
  uint32_t current_ = 0;        // ordinal of the consumer's file
  int32_t pending_ = None;      // the last chunk written, until the next one is
  unsigned workersWaiting_ = 0;
  bool consumerWaiting_ = false;
  bool stopping_ = false;
  uint64_t bytesDecoded_ = 0;
};
