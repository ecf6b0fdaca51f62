// exar extract: the same engine as the setup, into a destination directory
// through the stdio target, with a progress bar when stdout is a terminal.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ExarIsTerminal(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define ExarIsTerminal(f) isatty(fileno(f))
#endif

#include "payload/archive_check.h"
#include "payload/archive_reader.h"
#include "payload/extract_engine.h"
#include "payload/queued_target.h"
#include "payload/stdio_target.h"
#include "tool/archive_input.h"
#include "tool/commands.h"
#include "tool/mapped_file.h"

namespace {

const char ExtractUsage[] =
    "usage: exar extract [--jobs N] ARCHIVE DIR\n"
    "\n"
    "Extracts every directory and file of ARCHIVE below DIR (created if missing),\n"
    "through the setup's extraction engine, with N threads decoding (default: one\n"
    "per processor). The whole archive is checked first: a damaged archive writes\n"
    "nothing (exit 1). Files that cannot be written are named and give exit 1; the\n"
    "other entries are still extracted. A file that decodes to other bytes than the\n"
    "CRC-32 its entry carries is not completed, is named, and ends the extraction\n"
    "(exit 1).\n";

// The stdio target plus what the tool shows: which files failed and, on a
// terminal, a bar over the archive's own total size.
class ToolTarget : public StdioExtractTarget {
 public:
  ToolTarget(const char* destination, uint64_t totalBytes, bool showBar)
      : StdioExtractTarget(destination), total_(totalBytes), showBar_(showBar) {}

  bool OpenFile(const char* relativePath) override {
    current_ = relativePath;
    if (StdioExtractTarget::OpenFile(relativePath)) return true;
    failed_.push_back(current_ + " (cannot be created)");
    return false;
  }
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    const bool ok = StdioExtractTarget::Write(data, length, written);
    done_ += *written;
    if (!ok) failed_.push_back(current_ + " (write failed)");
    DrawBar(false);
    return ok;
  }
  void DrawBar(bool last) {
    if (!showBar_) return;
    const int percent = total_ == 0 ? 100 : static_cast<int>(done_ * 100 / total_);
    if (percent == shown_ && !last) return;
    shown_ = percent;
    constexpr int Width = 40;
    char bar[Width + 1];
    const int filled = percent * Width / 100;
    for (int i = 0; i < Width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[Width] = 0;
    std::printf("\r[%s] %3d%%", bar, percent);
    if (last) std::printf("\n");
    std::fflush(stdout);
  }
  const std::vector<std::string>& Failed() const { return failed_; }

 private:
  uint64_t total_;
  uint64_t done_ = 0;
  bool showBar_;
  int shown_ = -1;
  std::string current_;
  std::vector<std::string> failed_;
};

int Extract(int, char** argv, unsigned jobs) {
  const char* archivePath = argv[0];
  const char* destination = argv[1];
  MappedFile file;
  if (!OpenCheckedArchive("extract", archivePath, CheckArchive, &file)) return ExitFailure;
  uint64_t total = 0;
  ArchiveReader reader;
  reader.Open(file.Data());
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (!reader.IsDirectory(i))
      total += ArchiveReader::BlockUncompressedSize(reader.EntryBlock(i));
  }
  reader.Close();

  std::error_code ec;
  std::filesystem::create_directories(destination, ec);
  if (!std::filesystem::is_directory(destination, ec)) {
    std::fprintf(stderr, "exar extract: %s: cannot create the directory\n", destination);
    return ExitFailure;
  }
  ToolTarget target(destination, total, ExarIsTerminal(stdout) != 0);
  ExtractReport report;
  {
    // The files are created and written on a thread of their own, beside the decoding.
    QueuedTarget queued(target);
    ExtractOptions options;
    options.workers = jobs;
    ExtractArchive(file.Data(), file.Size(), queued, &report, options);
  }
  target.DrawBar(true);
  if (report.result != 0) {
    std::fprintf(stderr, "exar extract: %s: %s%s\n", archivePath,
                 report.damaged ? "damaged archive: " : "", report.problem);
    return ExitFailure;
  }
  for (const std::string& failure : target.Failed()) {
    std::fprintf(stderr, "exar extract: %s\n", failure.c_str());
  }
  if (report.failedFiles > 0 || target.CloseFailures() > 0) {
    std::fprintf(stderr, "exar extract: %u files could not be written\n",
                 report.failedFiles + target.CloseFailures());
    return ExitFailure;
  }
  std::printf("%s: %u files, %llu bytes extracted into %s\n", archivePath, report.filesWritten,
              static_cast<unsigned long long>(report.bytesWritten), destination);
  return ExitSuccess;
}

}  // namespace

const ExarCommand ExtractCommand = {"extract", ExtractUsage, true, TakesTwoArguments, Extract};
