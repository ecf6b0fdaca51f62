#include "payload/queued_target.h"

#include <cstring>

QueuedTarget::QueuedTarget(ExtractTarget& inner) : inner_(inner) {
  // Without a thread every call goes straight through.
  threaded_ = worker_.Start(&QueuedTarget::RunWorker, this);
}

void QueuedTarget::RunWorker(void* self) { static_cast<QueuedTarget*>(self)->Work(); }

QueuedTarget::~QueuedTarget() {
  if (!threaded_) return;
  {
    std::unique_lock<SyncLock> lock(lock_);
    stopping_ = true;
    WakeWorker();
  }
  worker_.Join();
}

// Waking a thread is what costs here (under Wine every wake is a round trip to the
// server), so each side is woken only when it sleeps and only when it must go on: the
// worker when a write is queued (it then carries out everything queued before it too)
// or when the caller finds the queue full or finishes; the caller when it waits for
// room or for the write before its own.
void QueuedTarget::WakeWorker() {
  if (workerAsleep_) workReady_.notify_one();
}

void QueuedTarget::Queue(Kind kind, const char* text, uint32_t textLength,
                         const uint8_t* data, uint32_t length) {
  std::unique_lock<SyncLock> lock(lock_);
  if (count_ == QueueLength) {
    WakeWorker();
    callerAsleep_ = true;
    callerWake_.wait(lock, [this] { return count_ < QueueLength; });
    callerAsleep_ = false;
  }
  // The call is made up in its slot: the slot is the worker's only once counted.
  Call& call = calls_[(head_ + count_) % QueueLength];
  call.kind = kind;
  call.data = data;
  call.length = length;
  call.refused = textLength >= sizeof call.text;
  if (call.refused) textLength = 0;
  if (textLength != 0) std::memcpy(call.text, text, textLength);
  call.text[textLength] = 0;
  ++count_;
  if (kind == Kind::Write) {
    // The engine refills the buffer of the write before this one once this returns.
    const uint64_t before = writesQueued_++;
    WakeWorker();
    if (writesDone_ < before) {
      callerAsleep_ = true;
      callerWake_.wait(lock, [this, before] { return writesDone_ >= before; });
      callerAsleep_ = false;
    }
  }
}

void QueuedTarget::Work() {
  std::unique_lock<SyncLock> lock(lock_);
  for (;;) {
    if (count_ == 0 && !stopping_) {
      workerAsleep_ = true;
      workReady_.wait(lock, [this] { return count_ != 0 || stopping_; });
      workerAsleep_ = false;
    }
    if (count_ == 0) return;  // stopping, with nothing left
    const Call& call = calls_[head_];
    lock.unlock();
    Carry(call);  // the slot stays taken until it is done
    lock.lock();
    if (call.kind == Kind::Write) ++writesDone_;
    head_ = (head_ + 1) % QueueLength;
    --count_;
    if (callerAsleep_) callerWake_.notify_one();
  }
}

void QueuedTarget::Carry(const Call& call) {
  switch (call.kind) {
    case Kind::Directory:
      if (!call.refused) inner_.CreateDirectory(call.text);
      break;
    case Kind::Open:
      // A path that does not fit is not cut short (that would be another file): the
      // file counts as one that cannot be created.
      fileOpen_ = !call.refused && inner_.OpenFile(call.text);
      fileFailed_ = !fileOpen_;
      if (fileFailed_) ++late_.files;
      break;
    case Kind::Write: {
      if (fileFailed_) {
        late_.bytes += call.length;
        break;
      }
      uint32_t written = 0;
      const bool ok = inner_.Write(call.data, call.length, &written);
      if (written > call.length) written = call.length;
      if (!ok) written = 0;  // the engine counts a failed write as nothing written
      late_.bytes += call.length - written;
      if (!ok || written != call.length) {
        fileFailed_ = true;
        ++late_.files;
      }
      break;
    }
    case Kind::Close:
      if (fileOpen_) inner_.CloseFile();
      fileOpen_ = false;
      fileFailed_ = false;
      break;
    case Kind::ListLine:
      inner_.InstallListLine(call.text, call.length);
      break;
  }
}

void QueuedTarget::CreateDirectory(const char* relativePath) {
  if (!threaded_) return inner_.CreateDirectory(relativePath);
  Queue(Kind::Directory, relativePath, static_cast<uint32_t>(std::strlen(relativePath)),
        nullptr, 0);
}

bool QueuedTarget::OpenFile(const char* relativePath) {
  if (!threaded_) return inner_.OpenFile(relativePath);
  Queue(Kind::Open, relativePath, static_cast<uint32_t>(std::strlen(relativePath)), nullptr,
        0);
  return true;
}

bool QueuedTarget::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
  if (!threaded_) return inner_.Write(data, length, written);
  Queue(Kind::Write, nullptr, 0, data, length);
  *written = length;
  return true;
}

void QueuedTarget::CloseFile() {
  if (!threaded_) return inner_.CloseFile();
  Queue(Kind::Close, nullptr, 0, nullptr, 0);
}

void QueuedTarget::InstallListLine(const char* line, uint32_t length) {
  if (!threaded_) return inner_.InstallListLine(line, length);
  // A line longer than any checked path makes is cut at the slot, as the engine cuts
  // its own lines at its buffer.
  const uint32_t room = sizeof(Call::text) - 1;
  const uint32_t kept = length < room ? length : room;
  Queue(Kind::ListLine, line, kept, nullptr, kept);
}

LateFailures QueuedTarget::Finish() {
  if (threaded_) {
    std::unique_lock<SyncLock> lock(lock_);
    WakeWorker();
    callerAsleep_ = true;
    callerWake_.wait(lock, [this] { return count_ == 0; });
    callerAsleep_ = false;
  }
  // Once the queue is empty the worker touches none of this until the next call.
  const LateFailures late = late_;
  late_ = LateFailures{0, 0};
  return late;
}
