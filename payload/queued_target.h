// QueuedTarget: carries out another target's file-system calls on a thread of its
// own, in the order they were made, so that creating, writing and closing files
// overlaps the decoding of the next ones (a file system that is slow to create files,
// as an emulated or a scanned one is, then costs no extraction time).
//
// CreateDirectory, OpenFile, CloseFile and InstallListLine are queued (paths and lines
// copied) and OpenFile answers true. Write is queued too and answers true with the
// whole length; it returns once the write before it is done, so the engine may refill
// that earlier buffer while this one is written (it alternates two buffers). Repaint
// and Progress go to the inner target at once, on the caller's thread.
//
// What the inner target refuses is kept as the engine would have kept it: a file whose
// open failed gets no write and no close, a file whose write failed or fell short gets
// no further write, and Finish (called by the engine after the last entry) waits for
// the queue and returns those files and the bytes not written. A path longer than a
// checked archive allows is never cut short: such a file counts as one that cannot be
// created, such a directory is not created. When no thread can be started, every call
// goes straight to the inner target.
#pragma once

#include <cstdint>

#include "payload/archive_format.h"
#include "payload/extract_target.h"
#include "payload/threads.h"

// The seam's method name, not the <windows.h> macro (see extract_target.h).
#ifdef CreateDirectory
#undef CreateDirectory
#endif

class QueuedTarget : public ExtractTarget {
 public:
  explicit QueuedTarget(ExtractTarget& inner);
  ~QueuedTarget() override;  // finishes what is queued
  QueuedTarget(const QueuedTarget&) = delete;
  QueuedTarget& operator=(const QueuedTarget&) = delete;

  void CreateDirectory(const char* relativePath) override;
  bool OpenFile(const char* relativePath) override;
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
  void CloseFile() override;
  void InstallListLine(const char* line, uint32_t length) override;
  void Repaint() override { inner_.Repaint(); }
  void Progress(int32_t percent) override { inner_.Progress(percent); }
  LateFailures Finish() override;

 private:
  enum class Kind : uint8_t { Directory, Open, Write, Close, ListLine };
  struct Call {
    Kind kind;
    bool refused;         // Directory, Open: the path does not fit text
    const uint8_t* data;  // Write
    uint32_t length;      // Write, ListLine
    // A path, or a list line ("!" PATH "\r\n" at most), NUL-terminated.
    char text[archive_format::MaxPathLength + 4];
  };
  static constexpr uint32_t QueueLength = 64;

  static void RunWorker(void* self);
  void Queue(Kind kind, const char* text, uint32_t textLength, const uint8_t* data,
             uint32_t length);
  void Work();
  void WakeWorker();  // with the lock held
  void Carry(const Call& call);

  ExtractTarget& inner_;
  SyncLock lock_;
  SyncCondition workReady_;   // the worker waits here for calls
  SyncCondition callerWake_;  // the caller waits here for room or a write
  bool workerAsleep_ = false;
  bool callerAsleep_ = false;
  Call calls_[QueueLength];
  uint32_t head_ = 0;   // next call to carry out
  uint32_t count_ = 0;  // calls queued and not yet carried out (the one at work included)
  uint64_t writesQueued_ = 0;
  uint64_t writesDone_ = 0;
  bool stopping_ = false;
  bool threaded_ = false;
  Thread worker_;

  // The worker's view of the current file, and what failed after being accepted.
  bool fileOpen_ = false;
  bool fileFailed_ = false;
  LateFailures late_{};
};
