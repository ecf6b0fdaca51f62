#include "payload/extract_engine.h"

#include <cstdio>
#include <cstring>

#include "payload/archive_check.h"
#include "payload/install_list.h"
#include "payload/lzh_decoder.h"

namespace {

// The engine's one set of state. The output alternates between two buffers after
// every write, so that a target may still be writing the one before (QueuedTarget).
uint8_t OutputBuffers[2][OutputBufferSize];
uint8_t* OutputBuffer = OutputBuffers[0];
uint32_t BufferFill = 0;
ExtractTarget* CurrentTarget = nullptr;
const uint8_t* StreamStart = nullptr;
uint32_t StreamPos = 0;
bool FileAbandoned = false;  // a write of the current file failed
uint64_t TotalWritten = 0;
uint32_t FilesFailed = 0;
uint32_t FilesDone = 0;
LzhDecoder Decoder;

inline void ReportProgress() { CurrentTarget->Progress(ExtractionPercent(TotalWritten)); }

// Writes the first `length` bytes of the buffer. A failed or short write
// abandons the file: it gets no further write.
inline bool WriteBuffer(uint32_t length) {
  uint32_t written = 0;
  const bool ok = CurrentTarget->Write(OutputBuffer, length, &written);
  OutputBuffer = OutputBuffer == OutputBuffers[0] ? OutputBuffers[1] : OutputBuffers[0];
  if (written > length) written = length;
  if (ok) {
    TotalWritten += written;
    ReportProgress();
  }
  if (!ok || written != length) {
    FileAbandoned = true;
    return false;
  }
  return true;
}

inline uint32_t NextByte() { return StreamStart[StreamPos++]; }

inline void OutputByte(uint32_t value) {
  if (value == FlushMarker) {
    if (!FileAbandoned) WriteBuffer(BufferFill);
    return;
  }
  if (BufferFill < OutputBufferSize) {
    OutputBuffer[BufferFill++] = static_cast<uint8_t>(value);
    return;
  }
  // The buffer is full: it is written when the next byte arrives. Once the
  // file is abandoned its bytes are dropped a buffer at a time, unwritten.
  if (!FileAbandoned && !WriteBuffer(OutputBufferSize)) return;
  OutputBuffer[0] = static_cast<uint8_t>(value);
  BufferFill = 1;
}

struct StoredByteInput {
  uint32_t operator()() { return NextByte(); }
};
struct BufferedOutput {
  void operator()(uint32_t value) { OutputByte(value); }
};

// Creates the file at path and decodes the stored block into it. A file that
// cannot be created, or whose writes failed, counts in FilesFailed.
void ExtractFile(const uint8_t* block, const char* path, ExtractTarget& target) {
  CurrentTarget = &target;
  StreamStart = ArchiveReader::BlockStream(block);
  if (!target.OpenFile(path)) {
    ++FilesFailed;
    return;
  }
  StreamPos = 0;
  BufferFill = 0;
  FileAbandoned = false;
  uint32_t compressed = ArchiveReader::BlockCompressedSize(block);
  uint32_t uncompressed = ArchiveReader::BlockUncompressedSize(block);
  StoredByteInput input;
  BufferedOutput output;
  Decoder.Decode(compressed, uncompressed, input, output);
  target.CloseFile();
  if (FileAbandoned) {
    ++FilesFailed;
  } else {
    ++FilesDone;
  }
}

}  // namespace

int32_t ExtractionPercent(uint64_t bytesWritten) {
  // In 64 bits: 32-bit arithmetic would overflow past 22.6 MB (2^31 / 95).
  return static_cast<int32_t>(static_cast<int64_t>(bytesWritten) * 95 /
                              static_cast<int64_t>(PayloadTotalBytes));
}

int32_t ExtractEntries(const ArchiveReader* reader, ExtractTarget& target) {
  if (reader == nullptr || !reader->IsOpen()) return -1;
  CurrentTarget = &target;
  char line[archive_format::LineBufferSize];
  const int32_t count = reader->EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const char* path = reader->Path(i);
    const bool directory = reader->IsDirectory(i);
    if (directory) {
      target.CreateDirectory(path);
    } else {
      ExtractFile(reader->EntryBlock(i), path, target);
    }
    const uint32_t length = FormatInstallListLine(path, directory, line, sizeof line);
    target.InstallListLine(line, length);
    if ((i & 4) != 0) target.Repaint();
  }
  // What a queueing target found to fail after accepting it counts as if it had
  // failed at once.
  const LateFailures late = target.Finish();
  FilesFailed += late.files;
  FilesDone -= late.files <= FilesDone ? late.files : FilesDone;
  TotalWritten -= late.bytes <= TotalWritten ? late.bytes : TotalWritten;
  return 0;
}

int32_t ExtractArchive(const uint8_t* archive, size_t archiveSize, ExtractTarget& target,
                       ExtractReport* report) {
  ExtractReport local;
  ExtractReport& r = report != nullptr ? *report : local;
  std::memset(&r, 0, sizeof r);
  TotalWritten = 0;
  FilesFailed = 0;
  FilesDone = 0;
  r.result = -1;
  if (archive == nullptr) {
    std::snprintf(r.problem, sizeof r.problem, "no archive");
    return -1;
  }
  ArchiveProblem problem;
  if (!CheckArchive(archive, archiveSize, &problem)) {
    r.damaged = true;
    std::snprintf(r.problem, sizeof r.problem, "%s", problem.message);
    return -1;
  }
  ArchiveReader reader;
  if (!reader.Open(archive)) {
    std::snprintf(r.problem, sizeof r.problem, "the archive cannot be opened");
    return -1;
  }
  ExtractEntries(&reader, target);
  reader.Close();
  CurrentTarget = nullptr;
  r.result = 0;
  r.failedFiles = FilesFailed;
  r.filesWritten = FilesDone;
  r.bytesWritten = TotalWritten;
  return 0;
}
