// exar list and exar verify.
#include <cstdio>
#include <cstring>

#include "payload/archive_check.h"
#include "payload/archive_reader.h"
#include "tool/archive_input.h"
#include "tool/commands.h"
#include "tool/mapped_file.h"
#include "tool/stream_decode.h"

namespace {

const char ListUsage[] =
    "usage: exar list ARCHIVE\n"
    "\n"
    "Lists every entry in archive order: kind (dir or file), uncompressed and\n"
    "compressed size, ratio, path. A damaged archive is refused (exit 1).\n";

const char VerifyUsage[] =
    "usage: exar verify ARCHIVE\n"
    "\n"
    "Checks the whole structure (header, name table, directory, every entry's\n"
    "offsets, paths and links, the blocks back to back) and decodes every stream\n"
    "in memory. Prints \"ok\" and exits 0, or names the damaged entry and exits 1.\n";

void Describe(ArchiveProblem* problem, const ArchiveReader& reader, int32_t i,
              const char* format, uint32_t a, uint32_t b) {
  char reason[128];
  std::snprintf(reason, sizeof reason, format, a, b);
  problem->entry = i;
  std::snprintf(problem->message, sizeof problem->message, "entry %d \"%.80s\": %s",
                static_cast<int>(i), reader.Path(i), reason);
}

// Checks structure and layout (CheckArchiveLayout) and decodes every stream in
// memory: each must yield exactly its UncompressedSize and use exactly its
// CompressedSize bytes.
bool VerifyArchive(const uint8_t* archive, size_t size, ArchiveProblem* problem) {
  if (!CheckArchiveLayout(archive, size, problem)) return false;
  ArchiveReader reader;
  reader.Open(archive);
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (reader.IsDirectory(i)) continue;
    const uint8_t* block = reader.EntryBlock(i);
    uint32_t compressed = ArchiveReader::BlockCompressedSize(block);
    uint32_t uncompressed = ArchiveReader::BlockUncompressedSize(block);
    const DecodedStream decoded =
        DecodeStream(ArchiveReader::BlockStream(block), compressed, uncompressed, nullptr);
    if (decoded.produced != uncompressed || decoded.bytes != uncompressed) {
      Describe(problem, reader, i, "stream decodes to %u bytes, not %u", decoded.produced,
               uncompressed);
      return false;
    }
    if (decoded.taken != compressed) {
      Describe(problem, reader, i, "stream ends after %u of its %u bytes", decoded.taken,
               compressed);
      return false;
    }
  }
  reader.Close();
  return true;
}

int List(int, char** argv) {
  MappedFile file;
  if (!OpenCheckedArchive("list", argv[0], CheckArchive, &file)) return ExitFailure;
  ArchiveReader reader;
  reader.Open(file.Data());
  std::printf("%-4s %12s %12s %6s  %s\n", "kind", "size", "stored", "ratio", "path");
  uint64_t totalIn = 0, totalOut = 0;
  uint32_t directories = 0, files = 0;
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (reader.IsDirectory(i)) {
      ++directories;
      std::printf("%-4s %12s %12s %6s  %s\n", "dir", "-", "-", "-", reader.Path(i));
      continue;
    }
    ++files;
    const uint8_t* block = reader.EntryBlock(i);
    const uint32_t size = ArchiveReader::BlockUncompressedSize(block);
    const uint32_t stored = ArchiveReader::BlockCompressedSize(block);
    totalIn += size;
    totalOut += stored;
    char ratio[16];
    if (size == 0) {
      std::snprintf(ratio, sizeof ratio, "-");
    } else {
      std::snprintf(ratio, sizeof ratio, "%.1f%%", 100.0 * stored / size);
    }
    std::printf("%-4s %12u %12u %6s  %s\n", "file", size, stored, ratio, reader.Path(i));
  }
  std::printf("%u directories, %u files, %llu bytes stored in %llu bytes (%zu bytes of archive)\n",
              directories, files, static_cast<unsigned long long>(totalIn),
              static_cast<unsigned long long>(totalOut), file.Size());
  reader.Close();
  return ExitSuccess;
}

int Verify(int, char** argv) {
  MappedFile file;
  if (!OpenCheckedArchive("verify", argv[0], VerifyArchive, &file)) return ExitFailure;
  std::printf("%s: ok\n", argv[0]);
  return ExitSuccess;
}

}  // namespace

const ExarCommand ListCommand = {"list", ListUsage, TakesOneArgument, List};
const ExarCommand VerifyCommand = {"verify", VerifyUsage, TakesOneArgument, Verify};
