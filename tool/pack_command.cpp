// exar pack: walks a directory tree and writes an archive of it. Files are
// read and encoded by --jobs threads a few files ahead (RunInOrder), and their
// blocks written in entry order as they are done, so the archive is the same
// byte for byte whatever the number of threads; the head (header, name table,
// directory) is written last, over the room kept for it at the start.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "payload/archive_format.h"
#include "payload/archive_writer.h"
#include "payload/crc32.h"
#include "payload/ordered_work.h"
#include "tool/commands.h"
#include "tool/output_file.h"

namespace fs = std::filesystem;

namespace {

const char PackUsage[] =
    "usage: exar pack [--jobs N] DIR OUT\n"
    "\n"
    "Builds an archive at OUT from every directory and file below DIR. Paths are\n"
    "stored relative to DIR, backslash-separated and upper-cased; entries stand by\n"
    "level, each directory followed by its files, in byte order; every file is one\n"
    "LZHUF stream in a block tagged \"DCF\", its entry carrying the CRC-32 of its\n"
    "bytes, which extract and verify check. Names that differ only in case, and\n"
    "names that could not be extracted safely (device names, colons ...), are\n"
    "refused. N threads encode files side by side (default: one per processor);\n"
    "the archive is the same for every N.\n";

std::string ArchivePathOf(const fs::path& relative) {
  std::string out;
  for (const fs::path& part : relative) {
    if (!out.empty()) out += '\\';
    for (char c : part.string()) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  return out;
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* data, std::string* error) {
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) {
    *error = path.string() + ": cannot open";
    return false;
  }
  data->clear();
  std::error_code ec;
  const uintmax_t expected = fs::file_size(path, ec);
  if (!ec && expected <= UINT32_MAX) data->reserve(static_cast<size_t>(expected));
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    data->insert(data->end(), chunk, chunk + n);
    if (data->size() > UINT32_MAX) {
      std::fclose(f);
      *error = path.string() + ": larger than 4 GiB";
      return false;
    }
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) *error = path.string() + ": read error";
  return !failed;
}

bool WriteAt(std::FILE* f, const uint8_t* data, size_t size) {
  return size == 0 || std::fwrite(data, 1, size, f) == size;
}

// The files of the plan, read and encoded on the workers, their blocks written in
// entry order on the calling thread. The workers run up to 8 files a job ahead of the
// writing, so that a large file being encoded holds the others up only that far.
class BlockWriter : public OrderedWork {
 public:
  static constexpr uint32_t WindowPerJob = 8;

  BlockWriter(std::vector<PlannedEntry*> files, const std::vector<fs::path>& sources,
              std::FILE* out, const char* output, uint64_t offset, unsigned jobs)
      : files_(std::move(files)), sources_(sources), out_(out), output_(output),
        offset_(offset), slots_(WindowPerJob * jobs) {}

  uint32_t Window() const { return static_cast<uint32_t>(slots_.size()); }
  uint64_t End() const { return offset_; }
  uint64_t InputBytes() const { return inputBytes_; }
  const std::string& Error() const { return error_; }

  void Produce(uint32_t item, unsigned) override {
    Slot& slot = slots_[item % slots_.size()];
    std::vector<uint8_t> data;
    slot.read = ReadWholeFile(sources_[files_[item]->source], &data, &slot.error);
    if (!slot.read) return;
    slot.size = data.size();
    slot.block.clear();
    slot.length = AppendStoredBlock(data.data(), data.size(), slot.block);
    slot.crc = Crc32(data.data(), data.size());
  }

  bool Consume(uint32_t item) override {
    Slot& slot = slots_[item % slots_.size()];
    if (!slot.read) {
      error_ = slot.error;
      return false;
    }
    if (offset_ + slot.length > static_cast<uint64_t>(INT32_MAX)) {
      error_ = "the archive would be larger than 2 GiB";
      return false;
    }
    if (!WriteAt(out_, slot.block.data(), slot.block.size())) {
      error_ = std::string(output_) + ": write error";
      return false;
    }
    PlannedEntry& e = *files_[item];
    e.blockOffset = static_cast<uint32_t>(offset_);
    e.blockLength = static_cast<uint32_t>(slot.length);
    e.checksum = slot.crc;
    e.hasChecksum = true;
    offset_ += slot.length;
    inputBytes_ += slot.size;
    std::vector<uint8_t>().swap(slot.block);  // a large file's block is not kept
    return true;
  }

 private:
  struct Slot {
    bool read = false;
    std::string error;
    uint64_t size = 0;
    uint64_t length = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> block;
  };
  const std::vector<PlannedEntry*> files_;
  const std::vector<fs::path>& sources_;
  std::FILE* const out_;
  const char* const output_;
  uint64_t offset_;
  uint64_t inputBytes_ = 0;
  std::string error_;
  std::vector<Slot> slots_;
};

struct PackSummary {
  uint32_t directories;
  uint32_t files;
  uint64_t inputBytes;
  uint64_t archiveBytes;
};

// Builds an archive at `output` from the tree below `directory`: paths
// relative to it, backslash-separated and upper-cased (ASCII letters), files
// encoded by `jobs` threads (the archive is the same for any number).
// Fills error on failure; the output appears only when complete (see OutputFile).
bool PackTree(const char* directory, const char* output, unsigned jobs, PackSummary* summary,
              std::string* error) {
  std::error_code ec;
  const fs::path root(directory);
  if (!fs::is_directory(root, ec)) {
    *error = std::string(directory) + ": not a directory";
    return false;
  }
  const bool outputExists = fs::exists(output, ec);

  std::vector<PackItem> items;
  std::vector<fs::path> sources;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    std::error_code query;
    if (outputExists && fs::equivalent(entry.path(), output, query)) continue;
    const bool isLink = entry.is_symlink(query);
    const bool isDirectory = entry.is_directory(query);
    if (isDirectory && isLink) {
      *error = entry.path().string() + ": a link to a directory is not packed";
      return false;
    }
    if (!isDirectory && !entry.is_regular_file(query)) {
      *error = entry.path().string() + ": neither a file nor a directory";
      return false;
    }
    items.push_back(PackItem{ArchivePathOf(entry.path().lexically_relative(root)), isDirectory,
                             sources.size()});
    sources.push_back(entry.path());
  }
  if (ec) {
    *error = std::string(directory) + ": " + ec.message();
    return false;
  }

  ArchivePlan plan;
  if (!PlanArchive(items, &plan, error)) return false;

  OutputFile file;
  if (!file.Open(output, error)) return false;
  std::FILE* out = file.Stream();
  auto fail = [&](const std::string& message) {
    *error = message;
    return false;  // the part file goes with `file`
  };
  const std::vector<uint8_t> room(static_cast<size_t>(plan.headSize), 0);
  if (!WriteAt(out, room.data(), room.size())) return fail(std::string(output) + ": write error");

  PackSummary s{};
  std::vector<PlannedEntry*> files;
  for (PlannedEntry& e : plan.entries) {
    if (e.directory) {
      ++s.directories;
    } else {
      files.push_back(&e);
    }
  }
  s.files = static_cast<uint32_t>(files.size());
  BlockWriter blocks(std::move(files), sources, out, output, plan.headSize, jobs);
  if (!RunInOrder(blocks, s.files, jobs, blocks.Window())) return fail(blocks.Error());
  s.inputBytes = blocks.InputBytes();
  const std::vector<uint8_t> head = ArchiveHead(plan);
  if (std::fseek(out, 0, SEEK_SET) != 0 || !WriteAt(out, head.data(), head.size()))
    return fail(std::string(output) + ": write error");
  if (!file.Commit(error)) return false;
  s.archiveBytes = blocks.End();
  if (summary != nullptr) *summary = s;
  return true;
}

int Pack(int, char** argv, unsigned jobs) {
  PackSummary summary{};
  std::string error;
  if (!PackTree(argv[0], argv[1], jobs, &summary, &error)) {
    std::fprintf(stderr, "exar pack: %s\n", error.c_str());
    return ExitFailure;
  }
  std::printf("%s: %u directories, %u files, %llu bytes packed into %llu bytes\n", argv[1],
              summary.directories, summary.files,
              static_cast<unsigned long long>(summary.inputBytes),
              static_cast<unsigned long long>(summary.archiveBytes));
  return ExitSuccess;
}

}  // namespace

const ExarCommand PackCommand = {"pack", PackUsage, true, TakesTwoArguments, Pack};
