// exar list and exar verify.
#include <cstdio>
#include <memory>
#include <vector>

#include "payload/archive_check.h"
#include "payload/archive_reader.h"
#include "payload/ordered_work.h"
#include "tool/archive_input.h"
#include "tool/commands.h"
#include "tool/mapped_file.h"
#include "tool/stream_decode.h"

namespace {

const char ListUsage[] =
    "usage: exar list ARCHIVE\n"
    "\n"
    "Lists every entry in archive order: kind (dir or file), uncompressed and\n"
    "compressed size, ratio, the CRC-32 the entry carries (- for none), path.\n"
    "A damaged archive is refused (exit 1).\n";

const char VerifyUsage[] =
    "usage: exar verify [--jobs N] ARCHIVE\n"
    "\n"
    "Checks the whole structure (header, name table, directory, every entry's\n"
    "offsets, paths and links, the blocks back to back) and decodes every stream\n"
    "in memory, on N threads (default: one per processor), each file against the\n"
    "CRC-32 its entry carries. Prints \"ok\" and exits 0, or names the first damaged\n"
    "entry (with the CRC-32 stored and the one found) and exits 1.\n";

void Describe(ArchiveProblem* problem, const ArchiveReader& reader, int32_t i,
              const char* format, uint32_t a, uint32_t b) {
  char reason[128];
  std::snprintf(reason, sizeof reason, format, a, b);
  problem->entry = i;
  std::snprintf(problem->message, sizeof problem->message, "entry %d \"%.80s\": %s",
                static_cast<int>(i), reader.Path(i), reason);
}

// Every file's stream decoded on the workers, each with a decoder of its own: each
// must yield exactly its UncompressedSize and use exactly its CompressedSize bytes,
// and where its entry carries a checksum, decode to that CRC-32 and end in clear bits.
// The results are looked at in entry order, so the damaged entry named is the first,
// whatever the number of threads.
class StreamCheck : public OrderedWork {
 public:
  static constexpr uint32_t WindowPerJob = 4;

  StreamCheck(const ArchiveReader& reader, unsigned jobs)
      : reader_(reader), results_(WindowPerJob * jobs) {
    for (int32_t i = 0; i < reader.EntryCount(); ++i) {
      if (!reader.IsDirectory(i)) files_.push_back(i);
    }
    for (unsigned w = 0; w < jobs; ++w) decoders_.emplace_back(new StreamDecoder);
  }
  uint32_t Files() const { return static_cast<uint32_t>(files_.size()); }
  uint32_t Window() const { return static_cast<uint32_t>(results_.size()); }
  const ArchiveProblem& Problem() const { return problem_; }

  void Produce(uint32_t item, unsigned worker) override {
    const uint8_t* block = reader_.EntryBlock(files_[item]);
    Result& r = results_[item % results_.size()];
    r.compressed = ArchiveReader::BlockCompressedSize(block);
    r.expected = ArchiveReader::BlockUncompressedSize(block);
    r.decoded = decoders_[worker]->Decode(ArchiveReader::BlockStream(block), r.compressed,
                                          r.expected, nullptr);
  }

  bool Consume(uint32_t item) override {
    const Result& r = results_[item % results_.size()];
    const int32_t entry = files_[item];
    if (r.decoded.produced != r.expected || r.decoded.bytes != r.expected) {
      Describe(&problem_, reader_, entry, "stream decodes to %u bytes, not %u",
               r.decoded.produced, r.expected);
      return false;
    }
    if (r.decoded.taken != r.compressed) {
      Describe(&problem_, reader_, entry, "stream ends after %u of its %u bytes",
               r.decoded.taken, r.compressed);
      return false;
    }
    uint32_t crc = 0;
    if (reader_.EntryChecksum(entry, &crc)) {
      if (r.decoded.crc != crc) {
        Describe(&problem_, reader_, entry, "decodes to CRC-32 %08X, its entry says %08X",
                 r.decoded.crc, crc);
        return false;
      }
      // The packer leaves them clear; a flip there changes no byte but is damage too.
      if (!r.decoded.trailingBitsClear) {
        Describe(&problem_, reader_, entry, "stream has bits set after its last symbol", 0, 0);
        return false;
      }
    }
    return true;
  }

 private:
  struct Result {
    uint32_t compressed, expected;
    DecodedStream decoded;
  };
  const ArchiveReader& reader_;
  std::vector<int32_t> files_;
  std::vector<Result> results_;
  std::vector<std::unique_ptr<StreamDecoder>> decoders_;
  ArchiveProblem problem_{};
};

// Decodes every stream of an archive that CheckArchiveLayout accepted, on `jobs`
// threads.
bool CheckStreams(const uint8_t* archive, unsigned jobs, ArchiveProblem* problem) {
  ArchiveReader reader;
  reader.Open(archive);
  StreamCheck check(reader, jobs);
  const bool whole = RunInOrder(check, check.Files(), jobs, check.Window());
  if (!whole) *problem = check.Problem();
  reader.Close();
  return whole;
}

int List(int, char** argv, unsigned) {
  MappedFile file;
  if (!OpenCheckedArchive("list", argv[0], CheckArchive, &file)) return ExitFailure;
  ArchiveReader reader;
  reader.Open(file.Data());
  std::printf("%-4s %12s %12s %6s %8s  %s\n", "kind", "size", "stored", "ratio", "crc32",
              "path");
  uint64_t totalIn = 0, totalOut = 0;
  uint32_t directories = 0, files = 0;
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (reader.IsDirectory(i)) {
      ++directories;
      std::printf("%-4s %12s %12s %6s %8s  %s\n", "dir", "-", "-", "-", "-", reader.Path(i));
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
    uint32_t crc = 0;
    char checksum[16] = "-";
    if (reader.EntryChecksum(i, &crc)) std::snprintf(checksum, sizeof checksum, "%08X", crc);
    std::printf("%-4s %12u %12u %6s %8s  %s\n", "file", size, stored, ratio, checksum,
                reader.Path(i));
  }
  std::printf("%u directories, %u files, %llu bytes stored in %llu bytes (%zu bytes of archive)\n",
              directories, files, static_cast<unsigned long long>(totalIn),
              static_cast<unsigned long long>(totalOut), file.Size());
  reader.Close();
  return ExitSuccess;
}

int Verify(int, char** argv, unsigned jobs) {
  MappedFile file;
  if (!OpenCheckedArchive("verify", argv[0], CheckArchiveLayout, &file)) return ExitFailure;
  ArchiveProblem problem;
  if (!CheckStreams(file.Data(), jobs, &problem)) {
    ReportDamagedArchive("verify", argv[0], problem);
    return ExitFailure;
  }
  std::printf("%s: ok\n", argv[0]);
  return ExitSuccess;
}

}  // namespace

const ExarCommand ListCommand = {"list", ListUsage, false, TakesOneArgument, List};
const ExarCommand VerifyCommand = {"verify", VerifyUsage, true, TakesOneArgument, Verify};
