#include "payload/queued_target.h"

#include <cstring>
#include <system_error>

QueuedTarget::QueuedTarget(ExtractTarget& inner) : inner_(inner) {
  try {
    worker_ = std::thread([this] { Work(); });
    threaded_ = true;
  } catch (const std::system_error&) {
    threaded_ = false;  // every call goes straight through
  }
}

QueuedTarget::~QueuedTarget() {
  if (!threaded_) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void QueuedTarget::Queue(Kind kind, const char* text, uint32_t textLength,
                         const uint8_t* data, uint32_t length) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return count_ < QueueLength; });
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
    changed_.notify_all();
    changed_.wait(lock, [this, before] { return writesDone_ >= before; });
    return;
  }
  changed_.notify_all();
}

void QueuedTarget::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return count_ != 0 || stopping_; });
    if (count_ == 0) return;  // stopping, with nothing left
    const Call& call = calls_[head_];
    lock.unlock();
    Carry(call);  // the slot stays taken until it is done
    lock.lock();
    if (call.kind == Kind::Write) ++writesDone_;
    head_ = (head_ + 1) % QueueLength;
    --count_;
    changed_.notify_all();
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
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return count_ == 0; });
  }
  // Once the queue is empty the worker touches none of this until the next call.
  const LateFailures late = late_;
  late_ = LateFailures{0, 0};
  return late;
}
