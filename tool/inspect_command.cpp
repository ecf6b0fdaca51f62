// exar list and exar verify.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "payload/archive_reader.h"
#include "payload/lzh_decoder.h"
#include "payload/ordered_work.h"
#include "payload/worker_count.h"
#include "tool/commands.h"
#include "tool/jobs_option.h"
#include "tool/mapped_file.h"

namespace {

const char ListUsage[] =
    "usage: exar list ARCHIVE\n"
    "\n"
    "Lists every entry in archive order: kind (dir or file), uncompressed and\n"
    "compressed size, ratio, path. A damaged archive is refused (exit 1).\n";

const char VerifyUsage[] =
    "usage: exar verify [--jobs N] ARCHIVE\n"
    "\n"
    "Checks the whole structure (header, name table, directory, every entry's\n"
    "offsets, paths and links, the blocks back to back) and decodes every stream\n"
    "in memory, on N threads (default: one per processor). Prints \"ok\" and exits\n"
    "0, or names the first damaged entry and exits 1.\n";

// Counts what the decoder takes and gives, keeping nothing.
struct CountingInput {
  const uint8_t* stream;
  uint32_t taken;
  uint32_t operator()() { return stream[taken++]; }
};
struct CountingOutput {
  uint32_t bytes;
  uint32_t flushes;
  void operator()(uint32_t value) {
    if (value == FlushMarker) {
      ++flushes;
    } else {
      ++bytes;
    }
  }
};

void Describe(ArchiveProblem* problem, const ArchiveReader& reader, int32_t i,
              const char* format, uint32_t a, uint32_t b) {
  char reason[128];
  std::snprintf(reason, sizeof reason, format, a, b);
  problem->entry = i;
  std::snprintf(problem->message, sizeof problem->message, "entry %d \"%.80s\": %s",
                static_cast<int>(i), reader.Path(i), reason);
}

bool MapArchive(const char* command, const char* path, MappedFile* file) {
  std::string error;
  if (file->Open(path, &error)) return true;
  std::fprintf(stderr, "exar %s: %s\n", command, error.c_str());
  return false;
}

}  // namespace

namespace {

// Every file's stream decoded on the workers, each with a decoder of its own; the
// results are looked at in entry order, so the first damaged entry is the one named.
class StreamCheck : public OrderedWork {
 public:
  static constexpr uint32_t WindowPerJob = 4;

  StreamCheck(const ArchiveReader& reader, std::vector<int32_t> files, unsigned jobs)
      : reader_(reader), files_(std::move(files)), results_(WindowPerJob * jobs) {
    for (unsigned w = 0; w < jobs && w < MaxWorkers; ++w) decoders_.emplace_back(new LzhDecoder);
  }
  uint32_t Window() const { return static_cast<uint32_t>(results_.size()); }
  const ArchiveProblem& Problem() const { return problem_; }

  void Produce(uint32_t item, unsigned worker) override {
    const uint8_t* block = reader_.EntryBlock(files_[item]);
    Result& r = results_[item % results_.size()];
    r.compressed = ArchiveReader::BlockCompressedSize(block);
    r.expected = ArchiveReader::BlockUncompressedSize(block);
    uint32_t compressed = r.compressed;
    uint32_t uncompressed = r.expected;
    CountingInput input{ArchiveReader::BlockStream(block), 0};
    CountingOutput output{0, 0};
    r.produced = decoders_[worker]->Decode(compressed, uncompressed, input, output);
    r.bytes = output.bytes;
    r.taken = input.taken;
  }

  bool Consume(uint32_t item) override {
    const Result& r = results_[item % results_.size()];
    const int32_t entry = files_[item];
    if (r.produced != r.expected || r.bytes != r.expected) {
      Describe(&problem_, reader_, entry, "stream decodes to %u bytes, not %u", r.produced,
               r.expected);
      return false;
    }
    if (r.taken != r.compressed) {
      Describe(&problem_, reader_, entry, "stream ends after %u of its %u bytes", r.taken,
               r.compressed);
      return false;
    }
    return true;
  }

 private:
  struct Result {
    uint32_t compressed, expected, produced, bytes, taken;
  };
  const ArchiveReader& reader_;
  const std::vector<int32_t> files_;
  std::vector<Result> results_;
  std::vector<std::unique_ptr<LzhDecoder>> decoders_;
  ArchiveProblem problem_{};
};

}  // namespace

bool VerifyArchive(const uint8_t* archive, size_t size, unsigned jobs, ArchiveProblem* problem) {
  if (!CheckArchiveLayout(archive, size, problem)) return false;
  ArchiveReader reader;
  reader.Open(archive);
  std::vector<int32_t> files;
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (!reader.IsDirectory(i)) files.push_back(i);
  }
  const uint32_t count = static_cast<uint32_t>(files.size());
  jobs = WorkerCount(jobs);
  StreamCheck check(reader, std::move(files), jobs);
  const bool whole = RunInOrder(check, count, jobs, check.Window());
  if (!whole) *problem = check.Problem();
  reader.Close();
  return whole;
}

int CommandList(int argc, char** argv) {
  if (WantsHelp(argc, argv)) {
    std::fputs(ListUsage, stdout);
    return ExitSuccess;
  }
  if (argc != 1) {
    std::fputs(ListUsage, stderr);
    return ExitUsage;
  }
  MappedFile file;
  if (!MapArchive("list", argv[0], &file)) return ExitFailure;
  ArchiveProblem problem;
  if (!CheckArchive(file.Data(), file.Size(), &problem)) {
    std::fprintf(stderr, "exar list: %s: damaged archive: %s\n", argv[0], problem.message);
    return ExitFailure;
  }
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

int CommandVerify(int argc, char** argv) {
  if (WantsHelp(argc, argv)) {
    std::fputs(VerifyUsage, stdout);
    return ExitSuccess;
  }
  unsigned jobs = 1;
  if (!TakeJobsOption("verify", &argc, argv, &jobs)) return ExitUsage;
  if (argc != 1) {
    std::fputs(VerifyUsage, stderr);
    return ExitUsage;
  }
  MappedFile file;
  if (!MapArchive("verify", argv[0], &file)) return ExitFailure;
  ArchiveProblem problem;
  if (!VerifyArchive(file.Data(), file.Size(), jobs, &problem)) {
    std::fprintf(stderr, "exar verify: %s: damaged archive: %s\n", argv[0], problem.message);
    return ExitFailure;
  }
  std::printf("%s: ok\n", argv[0]);
  return ExitSuccess;
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  }
  return false;
}
