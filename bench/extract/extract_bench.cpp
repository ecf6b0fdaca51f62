// extract_bench: what extracting a payload costs next to decoding it, and what
// decoding on several cores gains.
//
//   extract_bench [--files-only] [--workers N] ARCHIVE SCRATCH_DIR
//
// Baseline: every file's stream decoded in memory on one thread, through a 128 KiB
// buffer that is only counted, never written. Against it, in the same run:
//   - the extraction engine with one worker and a target that writes nothing (its
//     own cost);
//   - the extraction engine writing the whole tree into files under SCRATCH_DIR
//     (the setup's path: ExtractArchive over a file target behind the queue) with
//     1, 2 and 4 workers, the runs interleaved, each against the single worker;
//   - the same extraction of payloads of the same shape 2x and 4x as large (the
//     tree repeated under COPY1..COPYk, the stored blocks reused), with the
//     machine's default workers, to show that the cost grows linearly.
// Each figure is the best of a few runs; ratios are what the bench is for.
// --files-only times only the extraction into files with N workers (default 1),
// best of three, for comparisons that alternate it with another program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "payload/archive_format.h"
#include "payload/archive_reader.h"
#include "payload/archive_writer.h"
#include "payload/extract_engine.h"
#include "payload/lzh_decoder.h"
#include "payload/queued_target.h"
#include "payload/stdio_target.h"
#include "payload/worker_count.h"

namespace fs = std::filesystem;

namespace {

volatile uint8_t Sink;  // keeps the in-memory decode's output alive

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool ReadArchive(const char* path, std::vector<uint8_t>* data) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fseek(f, 0, SEEK_END);
  data->resize(static_cast<size_t>(std::ftell(f)));
  std::fseek(f, 0, SEEK_SET);
  const bool ok = std::fread(data->data(), 1, data->size(), f) == data->size();
  std::fclose(f);
  return ok;
}

// Decodes every file of the archive in memory; returns the bytes decoded.
uint64_t DecodeInMemory(const std::vector<uint8_t>& archive) {
  static LzhDecoder decoder;
  static uint8_t buffer[OutputBufferSize];
  ArchiveReader reader;
  reader.Open(archive.data());
  uint64_t total = 0;
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (reader.IsDirectory(i)) continue;
    const uint8_t* block = reader.EntryBlock(i);
    const uint8_t* stream = ArchiveReader::BlockStream(block);
    uint32_t compressed = ArchiveReader::BlockCompressedSize(block);
    uint32_t size = ArchiveReader::BlockUncompressedSize(block);
    uint32_t pos = 0, fill = 0;
    auto input = [&]() -> uint32_t { return stream[pos++]; };
    auto output = [&](uint32_t v) {
      // Each full or final buffer is "written": counted, and its last byte
      // kept so that the stores into it cannot be left out.
      if (v == FlushMarker) { total += fill; Sink ^= fill ? buffer[fill - 1] : 0; fill = 0; return; }
      if (fill == OutputBufferSize) { total += fill; Sink ^= buffer[fill - 1]; fill = 0; }
      buffer[fill++] = static_cast<uint8_t>(v);
    };
    decoder.Decode(compressed, size, input, output);
  }
  reader.Close();
  return total;
}

// A target that creates nothing and takes every write whole: the engine's
// own cost, without the file system.
class NullTarget : public ExtractTarget {
 public:
  void CreateDirectory(const char*) override {}
  bool OpenFile(const char*) override { return true; }
  bool Write(const uint8_t*, uint32_t length, uint32_t* written) override {
    *written = length;
    return true;
  }
  void CloseFile() override {}
  void InstallListLine(const char*, uint32_t) override {}
  void Repaint() override {}
  void Progress(int32_t) override {}
};

ExtractOptions WithWorkers(unsigned workers) {
  ExtractOptions options;
  options.workers = workers;
  return options;
}

double ExtractToNothing(const std::vector<uint8_t>& archive) {
  NullTarget target;
  ExtractReport report{};
  const double start = Now();
  ExtractArchive(archive.data(), archive.size(), target, &report, WithWorkers(1));
  return Now() - start;
}

// Extracts the archive through the engine into a fresh directory.
bool ExtractToFiles(const std::vector<uint8_t>& archive, const fs::path& dir, unsigned workers,
                    double* seconds) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  // As exar extracts: the stdio target behind the queue.
  StdioExtractTarget files(dir.string().c_str());
  QueuedTarget target(files);
  ExtractReport report{};
  const double start = Now();
  ExtractArchive(archive.data(), archive.size(), target, &report, WithWorkers(workers));
  *seconds = Now() - start;
  if (report.result == 0 && report.failedFiles == 0) return true;
  std::fprintf(stderr, "extract_bench: extraction with %u workers failed\n", workers);
  return false;
}

// A payload of the same shape, `copies` times as large: every entry once
// under each COPYn directory, with the original stored blocks.
bool Repeated(const std::vector<uint8_t>& archive, int copies, std::vector<uint8_t>* out) {
  ArchiveReader reader;
  reader.Open(archive.data());
  std::vector<PackItem> items;
  std::vector<const uint8_t*> blocks;
  std::vector<int32_t> entries;  // the original entry of each item, -1 for COPYn
  for (int c = 1; c <= copies; ++c) {
    const std::string top = "COPY" + std::to_string(c);
    items.push_back({top, true, blocks.size()});
    blocks.push_back(nullptr);
    entries.push_back(-1);
    for (int32_t i = 0; i < reader.EntryCount(); ++i) {
      items.push_back({top + "\\" + reader.Path(i), reader.IsDirectory(i), blocks.size()});
      blocks.push_back(reader.IsDirectory(i) ? nullptr : reader.EntryBlock(i));
      entries.push_back(i);
    }
  }
  ArchivePlan plan;
  std::string error;
  if (!PlanArchive(items, &plan, &error)) {
    std::fprintf(stderr, "extract_bench: %s\n", error.c_str());
    return false;
  }
  uint64_t offset = plan.headSize;
  for (PlannedEntry& e : plan.entries) {
    if (e.directory) continue;
    const uint8_t* block = blocks[e.source];
    e.blockOffset = static_cast<uint32_t>(offset);
    e.blockLength = 12 + ArchiveReader::BlockCompressedSize(block);
    e.hasChecksum = reader.EntryChecksum(entries[e.source], &e.checksum);
    offset += e.blockLength;
  }
  *out = ArchiveHead(plan);
  out->reserve(offset);
  for (const PlannedEntry& e : plan.entries) {
    if (!e.directory) out->insert(out->end(), blocks[e.source], blocks[e.source] + e.blockLength);
  }
  reader.Close();
  return true;
}

// The same archive as packed before files carried checksums: the engine then checks
// nothing, so the two differ by the checks alone.
std::vector<uint8_t> WithoutChecksums(const std::vector<uint8_t>& archive) {
  std::vector<uint8_t> plain = archive;
  ArchiveReader reader;
  reader.Open(archive.data());
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    const size_t record = static_cast<size_t>(reader.EntryRecord(i) - archive.data());
    archive_format::WriteU32(&plain[record + archive_format::EntryReserved1], 0);
    archive_format::WriteU32(&plain[record + archive_format::EntryReserved2], 0);
  }
  reader.Close();
  return plain;
}

}  // namespace

int main(int argc, char** argv) {
  bool filesOnly = false;
  unsigned onlyWorkers = 1;
  int arg = 1;
  for (; arg < argc && argv[arg][0] == '-'; ++arg) {
    if (std::strcmp(argv[arg], "--files-only") == 0) {
      filesOnly = true;
    } else if (std::strcmp(argv[arg], "--workers") == 0 && arg + 1 < argc) {
      onlyWorkers = static_cast<unsigned>(std::atoi(argv[++arg]));
    } else {
      break;
    }
  }
  if (argc - arg != 2 || onlyWorkers == 0) {
    std::fprintf(stderr, "usage: extract_bench [--files-only] [--workers N] ARCHIVE SCRATCH_DIR\n");
    return 2;
  }
  std::vector<uint8_t> archive;
  if (!ReadArchive(argv[arg], &archive)) {
    std::fprintf(stderr, "extract_bench: cannot read %s\n", argv[arg]);
    return 1;
  }
  const fs::path scratch = fs::path(argv[arg + 1]) / "extract-bench";
  const int runs = 3;
  if (filesOnly) {
    double files = 1e9;
    for (int r = 0; r < runs; ++r) {
      double t;
      if (!ExtractToFiles(archive, scratch, onlyWorkers, &t)) return 1;
      files = std::min(files, t);
    }
    fs::remove_all(scratch);
    std::printf("extract into files, %u workers  %7.3f s\n", onlyWorkers, files);
    return 0;
  }

  double memory = 1e9;
  uint64_t decoded = 0;
  for (int r = 0; r < runs; ++r) {
    const double start = Now();
    decoded = DecodeInMemory(archive);
    memory = std::min(memory, Now() - start);
  }
  double engine = 1e9;
  for (int r = 0; r < runs; ++r) engine = std::min(engine, ExtractToNothing(archive));
  // 1, 2 and 4 workers, interleaved so that a drift of the machine's speed moves all alike.
  const unsigned counts[] = {1, 2, 4};
  double files[3] = {1e9, 1e9, 1e9};
  for (int r = 0; r < runs; ++r) {
    for (int c = 0; c < 3; ++c) {
      double t;
      if (!ExtractToFiles(archive, scratch, counts[c], &t)) return 1;
      files[c] = std::min(files[c], t);
    }
  }
  // What checking every file's CRC-32 costs: the engine's own path on one worker, and
  // the extraction into files with the default workers, with and without checksums in
  // the entries, interleaved.
  const std::vector<uint8_t> plain = WithoutChecksums(archive);
  double checked[2] = {1e9, 1e9}, unchecked[2] = {1e9, 1e9};
  for (int r = 0; r < 5; ++r) {
    checked[0] = std::min(checked[0], ExtractToNothing(archive));
    unchecked[0] = std::min(unchecked[0], ExtractToNothing(plain));
    double t;
    if (!ExtractToFiles(archive, scratch, WorkerCount(0), &t)) return 1;
    checked[1] = std::min(checked[1], t);
    if (!ExtractToFiles(plain, scratch, WorkerCount(0), &t)) return 1;
    unchecked[1] = std::min(unchecked[1], t);
  }

  std::printf("payload: %zu bytes packed, %llu bytes decoded\n", archive.size(),
              static_cast<unsigned long long>(decoded));
  std::printf("decode in memory (baseline)     %7.3f s  %6.1f MB/s\n", memory,
              decoded / memory / 1e6);
  std::printf("engine, no file system          %7.3f s  %6.1f MB/s  ratio %.3f\n", engine,
              decoded / engine / 1e6, engine / memory);
  std::printf("extract into files              %7.3f s  %6.1f MB/s  ratio %.3f (goal <= 1.10)\n",
              files[0], decoded / files[0] / 1e6, files[0] / memory);
  for (int c = 1; c < 3; ++c) {
    std::printf("extract into files, %u workers   %7.3f s  %6.1f MB/s  %.2fx one worker\n",
                counts[c], files[c], decoded / files[c] / 1e6, files[0] / files[c]);
  }

  std::printf("engine, one worker, files checked %7.3f s; unchecked %7.3f s: ratio %.3f "
              "(goal <= 1.03)\n", checked[0], unchecked[0], checked[0] / unchecked[0]);
  std::printf("extract into files, %u workers, checked %7.3f s; unchecked %7.3f s: ratio %.3f "
              "(goal <= 1.03)\n", WorkerCount(0), checked[1], unchecked[1],
              checked[1] / unchecked[1]);

  // Linear growth: 1x, 2x, 4x payloads of the same shape, with the default workers.
  const unsigned workers = WorkerCount(0);
  double perCopy = 0;
  for (int copies : {1, 2, 4}) {
    std::vector<uint8_t> big;
    if (!Repeated(archive, copies, &big)) return 1;
    double best = 1e9;
    for (int r = 0; r < (copies == 4 ? 2 : runs); ++r) {
      double t;
      if (!ExtractToFiles(big, scratch, workers, &t)) return 1;
      best = std::min(best, t);
    }
    if (copies == 1) perCopy = best;
    std::printf("extract %dx payload (%4zu MB), %u workers  %7.3f s  per copy %.3f s  ratio to 1x per copy %.3f\n",
                copies, big.size() >> 20, workers, best, best / copies, best / copies / perCopy);
  }
  fs::remove_all(scratch);
  return 0;
}
