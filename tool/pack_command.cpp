// exar pack: walks a directory tree and writes an archive of it. Files are
// read and encoded one at a time, and their blocks written as they are made;
// the head (header, name table, directory) is written last, over the room
// kept for it at the start.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "payload/archive_format.h"
#include "payload/archive_writer.h"
#include "tool/commands.h"
#include "tool/output_file.h"

namespace fs = std::filesystem;

namespace {

const char PackUsage[] =
    "usage: exar pack DIR OUT\n"
    "\n"
    "Builds an archive at OUT from every directory and file below DIR. Paths are\n"
    "stored relative to DIR, backslash-separated and upper-cased; entries stand by\n"
    "level, each directory followed by its files, in byte order; every file is one\n"
    "LZHUF stream in a block tagged \"DCF\". Names that differ only in case, and\n"
    "names that could not be extracted safely (device names, colons ...), are\n"
    "refused.\n";

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

struct PackSummary {
  uint32_t directories;
  uint32_t files;
  uint64_t inputBytes;
  uint64_t archiveBytes;
};

// Builds an archive at `output` from the tree below `directory`: paths
// relative to it, backslash-separated and upper-cased (ASCII letters).
// Fills error on failure; the output appears only when complete (see OutputFile).
bool PackTree(const char* directory, const char* output, PackSummary* summary,
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
  uint64_t offset = plan.headSize;
  std::vector<uint8_t> data;
  std::vector<uint8_t> block;
  for (PlannedEntry& e : plan.entries) {
    if (e.directory) {
      ++s.directories;
      continue;
    }
    if (!ReadWholeFile(sources[e.source], &data, error)) return fail(*error);
    block.clear();
    const uint64_t length = AppendStoredBlock(data.data(), data.size(), block);
    if (offset + length > static_cast<uint64_t>(INT32_MAX))
      return fail("the archive would be larger than 2 GiB");
    if (!WriteAt(out, block.data(), block.size()))
      return fail(std::string(output) + ": write error");
    e.blockOffset = static_cast<uint32_t>(offset);
    e.blockLength = static_cast<uint32_t>(length);
    offset += length;
    ++s.files;
    s.inputBytes += data.size();
  }
  const std::vector<uint8_t> head = ArchiveHead(plan);
  if (std::fseek(out, 0, SEEK_SET) != 0 || !WriteAt(out, head.data(), head.size()))
    return fail(std::string(output) + ": write error");
  if (!file.Commit(error)) return false;
  s.archiveBytes = offset;
  if (summary != nullptr) *summary = s;
  return true;
}

int Pack(int, char** argv) {
  PackSummary summary{};
  std::string error;
  if (!PackTree(argv[0], argv[1], &summary, &error)) {
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

const ExarCommand PackCommand = {"pack", PackUsage, TakesTwoArguments, Pack};
