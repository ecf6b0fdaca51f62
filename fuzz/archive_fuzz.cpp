// Fuzzes archive validation, reading and extraction into memory (no files).
// Whatever the bytes: validation never reads outside them; a refused archive
// gets no call on the target; an accepted one is read entry by entry and
// extracted with every path inside the destination and every write inside an
// open file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "payload/archive_check.h"
#include "payload/archive_reader.h"
#include "payload/extract_engine.h"

namespace {

bool StaysInside(const char* path) {
  if (*path == 0 || std::strchr(path, ':') != nullptr || std::strchr(path, '/') != nullptr)
    return false;
  const char* part = path;
  while (true) {
    const char* end = std::strchr(part, '\\');
    const size_t n = end == nullptr ? std::strlen(part) : static_cast<size_t>(end - part);
    if (n == 0 || (n == 1 && part[0] == '.') || (n == 2 && part[0] == '.' && part[1] == '.'))
      return false;
    if (end == nullptr) return true;
    part = end + 1;
  }
}

class MemoryTarget : public ExtractTarget {
 public:
  void CreateDirectory(const char* path) override {
    ++calls;
    if (!StaysInside(path)) std::abort();
  }
  bool OpenFile(const char* path) override {
    ++calls;
    if (!StaysInside(path) || open) std::abort();
    open = (calls & 7) != 3;  // now and then a file cannot be created
    return open;
  }
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    ++calls;
    if (!open || length > OutputBufferSize) std::abort();
    for (uint32_t i = 0; i < length; ++i) checksum += data[i];
    *written = length;
    return (++writes % 5) != 0;  // and now and then a write fails
  }
  void CloseFile() override {
    ++calls;
    if (!open) std::abort();
    open = false;
  }
  void InstallListLine(const char* line, uint32_t length) override {
    ++calls;
    if (std::strlen(line) != length) std::abort();
  }
  void Repaint() override { ++calls; }
  void Progress(int32_t percent) override {
    ++calls;
    if (percent < 0) std::abort();
  }

  uint64_t calls = 0;
  uint64_t writes = 0;
  uint32_t checksum = 0;
  bool open = false;
};

volatile uint64_t Sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ArchiveProblem problem;
  const bool accepted = CheckArchive(data, size, &problem);
  if (accepted) {
    CheckArchiveLayout(data, size, &problem);
    ArchiveReader reader;
    if (!reader.Open(data)) std::abort();
    uint64_t sum = 0;
    for (int32_t i = 0; i < reader.EntryCount(); ++i) {
      const ArchiveEntry e = reader.Entry(i);
      sum += std::strlen(reader.Path(i)) + static_cast<uint32_t>(e.Level);
      if (!reader.IsDirectory(i)) sum += ArchiveReader::BlockCompressedSize(reader.EntryBlock(i));
    }
    reader.Close();
    Sink = sum;  // keeps the reads alive
  } else if (std::strlen(problem.message) == 0) {
    std::abort();
  }
  MemoryTarget target;
  ExtractReport report;
  ExtractArchive(data, size, target, &report);
  if (accepted != (report.result == 0)) std::abort();
  if (!accepted && (target.calls != 0 || !report.damaged)) std::abort();
  if (target.open) std::abort();
  return 0;
}
