#include "payload/extract_engine.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "payload/archive_check.h"
#include "payload/decode_ahead.h"
#include "payload/install_list.h"
#include "payload/output_buffers.h"
#include "payload/worker_count.h"

namespace {

// The state of one extraction. The walk and every call on the target are the calling
// thread's; files are decoded either by workers ahead of it (DecodeAhead) or by the
// walk itself, through the same FileDecoder rule, and written through WriteChunk.
class Extraction : private ChunkSink {
 public:
  Extraction(const ArchiveReader& reader, ExtractTarget& target)
      : reader_(reader), target_(target), ahead_(reader) {}

  // Starts the workers, or readies this thread to decode. False without memory.
  bool Prepare(const ExtractOptions& options);
  void Walk();
  void Report(ExtractReport& report) const;
  // Whether a file decoded to other bytes than its checksum says; the walk stopped there.
  bool FoundDamage() const { return damagedEntry_ >= 0; }

 private:
  void ExtractFile(int32_t entry, const char* path);
  void DecodeHere(const uint8_t* block);
  void TakeDecodedAhead();
  bool WriteChunk(const uint8_t* data, uint32_t length);
  bool DecodedAsPacked(uint32_t crc, uint64_t bytes);
  void ReportProgress();

  // Decoding on this thread: each chunk is written as it comes, alternating two
  // buffers, so the target may read one write's data until the next returns.
  uint8_t* Full(uint8_t* chunk) override;
  void Last(uint8_t* chunk, uint32_t length) override;
  uint8_t* Other(const uint8_t* chunk) const {
    return own_.Buffer(own_.IndexOf(chunk) == 0 ? 1 : 0);
  }

  const ArchiveReader& reader_;
  ExtractTarget& target_;
  DecodeAhead ahead_;
  bool decodingAhead_ = false;
  std::unique_ptr<FileDecoder> decoder_;
  OutputBuffers own_;
  uint8_t* next_ = nullptr;    // where this thread's next file starts
  int32_t entry_ = -1;          // the file being extracted
  bool fileAbandoned_ = false;  // a write of the current file failed
  int32_t damagedEntry_ = -1;   // the file that failed its checksum
  uint32_t expectedCrc_ = 0, foundCrc_ = 0;
  uint64_t expectedBytes_ = 0, foundBytes_ = 0;
  uint64_t totalWritten_ = 0;
  uint64_t bytesDecoded_ = 0;
  uint32_t filesFailed_ = 0;
  uint32_t filesDone_ = 0;
};

bool Extraction::Prepare(const ExtractOptions& options) {
  const unsigned workers = WorkerCount(options.workers);
  if (workers > 1) {
    const uint32_t buffers =
        options.poolBuffers != 0 ? options.poolBuffers : DefaultPoolBuffers(workers);
    decodingAhead_ = ahead_.Start(workers, buffers);
    if (decodingAhead_) return true;
  }
  decoder_.reset(new (std::nothrow) FileDecoder);
  if (decoder_ == nullptr || !own_.Allocate(2)) return false;
  next_ = own_.Buffer(0);
  return true;
}

void Extraction::ReportProgress() { target_.Progress(ExtractionPercent(totalWritten_)); }

// The one rule for a write: what was written counts and progress is reported when the
// write succeeded; a failed or short write abandons the file.
bool Extraction::WriteChunk(const uint8_t* data, uint32_t length) {
  uint32_t written = 0;
  const bool ok = target_.Write(data, length, &written);
  if (written > length) written = length;
  if (ok) {
    totalWritten_ += written;
    ReportProgress();
  }
  if (!ok || written != length) {
    fileAbandoned_ = true;
    return false;
  }
  return true;
}

// A file whose entry carries a checksum must decode to exactly its size and its
// CRC-32; else the payload is damaged. Checked before the file's last write, so that a
// damaged file is never completed.
bool Extraction::DecodedAsPacked(uint32_t crc, uint64_t bytes) {
  uint32_t expected = 0;
  if (!reader_.EntryChecksum(entry_, &expected)) return true;
  const uint64_t size = ArchiveReader::BlockUncompressedSize(reader_.EntryBlock(entry_));
  if (crc == expected && bytes == size) return true;
  damagedEntry_ = entry_;
  expectedCrc_ = expected;
  foundCrc_ = crc;
  expectedBytes_ = size;
  foundBytes_ = bytes;
  fileAbandoned_ = true;
  return false;
}

uint8_t* Extraction::Full(uint8_t* chunk) {
  const bool ok = WriteChunk(chunk, OutputBufferSize);
  next_ = Other(chunk);
  return ok ? next_ : nullptr;
}

void Extraction::Last(uint8_t* chunk, uint32_t length) {
  if (DecodedAsPacked(decoder_->HandedCrc(), decoder_->HandedBytes())) WriteChunk(chunk, length);
  next_ = Other(chunk);
}

void Extraction::DecodeHere(const uint8_t* block) {
  decoder_->Decode(block, next_, *this);
  bytesDecoded_ += decoder_->Produced();
}

void Extraction::TakeDecodedAhead() {
  for (;;) {
    const DecodeAhead::Chunk chunk = ahead_.NextChunk();
    if (chunk.last && !DecodedAsPacked(chunk.fileCrc, chunk.fileBytes)) {
      ahead_.Unwritten(chunk);
      ahead_.DropFile();
      return;
    }
    const bool ok = WriteChunk(chunk.data, chunk.length);
    ahead_.Written(chunk);
    if (!ok) {
      ahead_.DropFile();
      return;
    }
    if (chunk.last) {
      ahead_.EndFile();
      return;
    }
  }
}

void Extraction::ExtractFile(int32_t entry, const char* path) {
  if (!target_.OpenFile(path)) {
    ++filesFailed_;
    if (decodingAhead_) ahead_.DropFile();
    return;
  }
  fileAbandoned_ = false;
  entry_ = entry;
  if (decodingAhead_) {
    TakeDecodedAhead();
  } else {
    DecodeHere(reader_.EntryBlock(entry));
  }
  target_.CloseFile();
  if (fileAbandoned_) {
    ++filesFailed_;
  } else {
    ++filesDone_;
  }
}

void Extraction::Walk() {
  char line[archive_format::LineBufferSize];
  const int32_t count = reader_.EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const char* path = reader_.Path(i);
    const bool directory = reader_.IsDirectory(i);
    if (directory) {
      target_.CreateDirectory(path);
    } else {
      ExtractFile(i, path);
      if (FoundDamage()) break;
    }
    const uint32_t length = FormatInstallListLine(path, directory, line, sizeof line);
    target_.InstallListLine(line, length);
    if ((i & 4) != 0) target_.Repaint();
  }
  // What a queueing target found to fail after accepting it counts as if it had
  // failed at once.
  const LateFailures late = target_.Finish();
  filesFailed_ += late.files;
  filesDone_ -= late.files <= filesDone_ ? late.files : filesDone_;
  totalWritten_ -= late.bytes <= totalWritten_ ? late.bytes : totalWritten_;
  // Every write is carried out now: the last chunk may go back, the workers end.
  if (decodingAhead_) {
    ahead_.Finish();
    bytesDecoded_ += ahead_.BytesDecoded();
  }
}

void Extraction::Report(ExtractReport& report) const {
  if (FoundDamage()) {
    report.damaged = true;
    std::snprintf(report.problem, sizeof report.problem,
                  "entry %d \"%.80s\": decodes to %llu bytes with CRC-32 %08X, not %llu bytes "
                  "with %08X",
                  static_cast<int>(damagedEntry_), reader_.Path(damagedEntry_),
                  static_cast<unsigned long long>(foundBytes_), static_cast<unsigned>(foundCrc_),
                  static_cast<unsigned long long>(expectedBytes_),
                  static_cast<unsigned>(expectedCrc_));
  }
  report.failedFiles = filesFailed_;
  report.filesWritten = filesDone_;
  report.bytesWritten = totalWritten_;
  report.bytesDecoded = bytesDecoded_;
  report.workers = decodingAhead_ ? ahead_.Workers() : 0;
}

const char NoMemory[] = "not enough memory for the extraction";

}  // namespace

int32_t ExtractionPercent(uint64_t bytesWritten) {
  // In 64 bits: 32-bit arithmetic would overflow past 22.6 MB (2^31 / 95).
  return static_cast<int32_t>(static_cast<int64_t>(bytesWritten) * 95 /
                              static_cast<int64_t>(PayloadTotalBytes));
}

uint32_t DefaultPoolBuffers(unsigned workers) {
  const uint32_t buffers = 64 * workers;
  return buffers < 128 ? buffers : 128;
}

int32_t ExtractEntries(const ArchiveReader* reader, ExtractTarget& target,
                       const ExtractOptions& options, ExtractReport* report) {
  if (reader == nullptr || !reader->IsOpen()) return -1;
  std::unique_ptr<Extraction> extraction(new (std::nothrow) Extraction(*reader, target));
  if (extraction == nullptr || !extraction->Prepare(options)) {
    if (report != nullptr) std::snprintf(report->problem, sizeof report->problem, NoMemory);
    return -1;
  }
  extraction->Walk();
  if (report != nullptr) extraction->Report(*report);
  return extraction->FoundDamage() ? -1 : 0;
}

int32_t ExtractArchive(const uint8_t* archive, size_t archiveSize, ExtractTarget& target,
                       ExtractReport* report, const ExtractOptions& options) {
  ExtractReport local;
  ExtractReport& r = report != nullptr ? *report : local;
  std::memset(&r, 0, sizeof r);
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
  const int32_t walked = ExtractEntries(&reader, target, options, &r);
  reader.Close();
  if (walked != 0) return -1;
  r.result = 0;
  return 0;
}
