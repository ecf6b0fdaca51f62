// wine_extract_bench: the setup's own extraction path, timed inside a
// Windows process: the archive mapped in place (as the setup's locked
// resource is), ExtractArchive over Win32ExtractTarget (CreateFileA,
// WriteFile, ...) into DESTINATION\RUNn, best of three runs. Run under Wine
// by scripts/bench-extract, which compares it with the native extraction.
//   wine_extract_bench ARCHIVE DESTINATION
#include <windows.h>

#include <cstdio>
#include <string>

#include "payload/extract_engine.h"
#include "payload/win32_target.h"

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
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 1e9;
  ExtractReport report{};
  for (int run = 1; run <= 3; ++run) {
    const std::string dir = std::string(argv[2]) + "\\RUN" + std::to_string(run);
    CreateDirectoryA(dir.c_str(), nullptr);
    if (!SetCurrentDirectoryA(dir.c_str())) {
      std::fprintf(stderr, "wine_extract_bench: cannot enter %s\n", dir.c_str());
      return 1;
    }
    Win32ExtractTarget target(nullptr, nullptr);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    ExtractArchive(archive, size, target, &report);
    QueryPerformanceCounter(&end);
    if (report.result != 0 || report.failedFiles != 0) {
      std::fprintf(stderr, "wine_extract_bench: extraction failed: %s\n", report.problem);
      return 1;
    }
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (seconds < best) best = seconds;
  }
  std::printf("setup's extraction under Wine %7.3f s  %6.1f MB/s  (%u files, %llu bytes)\n",
              best, report.bytesWritten / best / 1e6, report.filesWritten,
              static_cast<unsigned long long>(report.bytesWritten));
  UnmapViewOfFile(archive);
  CloseHandle(mapping);
  CloseHandle(file);
  return 0;
}
