// wine_extract_bench: the setup's own extraction path, timed inside a
// Windows process: the archive mapped in place (as the setup's locked
// resource is), ExtractArchive over Win32ExtractTarget (CreateFileA,
// WriteFile, ...) behind the queue into DESTINATION\RUNn, with the setup's
// workers (one per processor) and with one worker, the runs alternating,
// best of three each. Each pair of runs back to back (workers, then one
// worker) also gives a ratio of its own; their spread tells how far this
// machine's noise moves the ratio of the best times. Run under Wine by
// scripts/bench-extract, which compares it with the native extraction.
// It also decodes every stream in memory in the same process, which tells
// the Windows build's own speed (32-bit, or 64-bit for the stand-in build of
// machines that cannot start 32-bit programs) apart from what Wine's file
// calls add.
//   wine_extract_bench ARCHIVE DESTINATION
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "payload/archive_reader.h"
#include "payload/extract_engine.h"
#include "payload/lzh_decoder.h"
#include "payload/queued_target.h"
#include "payload/win32_target.h"
#include "payload/worker_count.h"

namespace {

volatile uint8_t Sink;  // keeps the in-memory decode's output alive

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// Every file's stream decoded through a 128 KiB buffer that is only counted.
double DecodeInMemory(const uint8_t* archive) {
  static LzhDecoder decoder;
  static uint8_t buffer[OutputBufferSize];
  ArchiveReader reader;
  reader.Open(archive);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
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
  QueryPerformanceCounter(&end);
  reader.Close();
  return total > 0 ? Seconds(start, end) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wine_extract_bench ARCHIVE DESTINATION\n");
    return 2;
  }
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "wine_extract_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  const DWORD size = GetFileSize(file, nullptr);
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const uint8_t* archive =
      mapping ? static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))
              : nullptr;
  if (archive == nullptr) {
    std::fprintf(stderr, "wine_extract_bench: cannot map %s\n", argv[1]);
    return 1;
  }
  CreateDirectoryA(argv[2], nullptr);
  double decode = 1e9;
  for (int run = 0; run < 3; ++run) {
    const double seconds = DecodeInMemory(archive);
    if (seconds < decode) decode = seconds;
  }
  // The setup's workers, then one worker, alternating.
  const unsigned counts[2] = {WorkerCount(0), 1};
  constexpr int Pairs = 3;
  double best[2] = {1e9, 1e9};
  double pairRatio[Pairs];
  double workersSeconds = 0;
  ExtractReport report{};
  for (int run = 1; run <= 2 * Pairs; ++run) {
    const int which = (run - 1) % 2;
    const std::string dir = std::string(argv[2]) + "\\RUN" + std::to_string(run);
    CreateDirectoryA(dir.c_str(), nullptr);
    if (!SetCurrentDirectoryA(dir.c_str())) {
      std::fprintf(stderr, "wine_extract_bench: cannot enter %s\n", dir.c_str());
      return 1;
    }
    Win32ExtractTarget files(nullptr, nullptr);
    QueuedTarget target(files);  // as the setup extracts
    ExtractOptions options;
    options.workers = counts[which];
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    ExtractArchive(archive, size, target, &report, options);
    QueryPerformanceCounter(&end);
    if (report.result != 0 || report.failedFiles != 0) {
      std::fprintf(stderr, "wine_extract_bench: extraction failed: %s\n", report.problem);
      return 1;
    }
    const double seconds = Seconds(start, end);
    if (seconds < best[which]) best[which] = seconds;
    if (which == 0) workersSeconds = seconds;
    else pairRatio[run / 2 - 1] = seconds / workersSeconds;
  }
  std::sort(pairRatio, pairRatio + Pairs);
  std::printf("decode in memory, %d-bit, Wine %7.3f s  %6.1f MB/s\n",
              static_cast<int>(sizeof(void*) * 8), decode, report.bytesWritten / decode / 1e6);
  std::printf("setup's extraction under Wine  %7.3f s  %6.1f MB/s  ratio to its decode %.3f"
              "  (%u files, %llu bytes, %u workers)\n",
              best[0], report.bytesWritten / best[0] / 1e6, best[0] / decode, report.filesWritten,
              static_cast<unsigned long long>(report.bytesWritten), counts[0]);
  std::printf("setup's extraction under Wine, one worker  %7.3f s  %6.1f MB/s  "
              "%u workers: %.2fx one worker\n",
              best[1], report.bytesWritten / best[1] / 1e6, counts[0], best[1] / best[0]);
  std::printf("pair ratios, %u workers vs one worker run back to back:", counts[0]);
  for (double ratio : pairRatio) std::printf(" %.2f", ratio);
  std::printf("\n");
  UnmapViewOfFile(archive);
  CloseHandle(mapping);
  CloseHandle(file);
  return 0;
}
