#include "payload/archive_writer.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "payload/archive_check.h"
#include "payload/archive_format.h"
#include "payload/lzh_encoder.h"

using namespace archive_format;

namespace {

std::string ParentOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int32_t ComponentCount(const std::string& path) {
  return 1 + static_cast<int32_t>(std::count(path.begin(), path.end(), '\\'));
}

// Byte order with unsigned bytes.
bool PathLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
}

}  // namespace

bool PlanArchive(const std::vector<PackItem>& items, ArchivePlan* plan, std::string* error) {
  std::unordered_map<std::string, size_t> byPath;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string& path = items[i].path;
    if (const char* reason = CheckEntryPath(path.data(), path.size())) {
      *error = "\"" + path + "\": " + reason;
      return false;
    }
    if (path.find('\0') != std::string::npos) {
      *error = "\"" + path + "\": path holds a NUL";
      return false;
    }
    if (!byPath.emplace(path, i).second) {
      *error = "\"" + path + "\" occurs twice (names differing only in case?)";
      return false;
    }
  }
  std::vector<size_t> directories;
  std::map<std::string, std::vector<size_t>> filesOf;  // parent path -> its files
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string parent = ParentOf(items[i].path);
    if (!parent.empty()) {
      auto found = byPath.find(parent);
      if (found == byPath.end() || !items[found->second].directory) {
        *error = "\"" + items[i].path + "\": its directory \"" + parent + "\" is not an entry";
        return false;
      }
    }
    if (items[i].directory) {
      directories.push_back(i);
    } else {
      filesOf[parent].push_back(i);
    }
  }
  auto byLevelThenPath = [&](size_t a, size_t b) {
    int32_t la = ComponentCount(items[a].path), lb = ComponentCount(items[b].path);
    if (la != lb) return la < lb;
    return PathLess(items[a].path, items[b].path);
  };
  std::sort(directories.begin(), directories.end(), byLevelThenPath);
  for (auto& group : filesOf) {
    std::sort(group.second.begin(), group.second.end(),
              [&](size_t a, size_t b) { return PathLess(items[a].path, items[b].path); });
  }

  std::vector<size_t> order;
  order.reserve(items.size());
  auto appendFilesOf = [&](const std::string& parent) {
    auto found = filesOf.find(parent);
    if (found != filesOf.end()) order.insert(order.end(), found->second.begin(), found->second.end());
  };
  appendFilesOf(std::string());
  for (size_t d : directories) {
    order.push_back(d);
    appendFilesOf(items[d].path);
  }

  if (order.size() > static_cast<size_t>(INT32_MAX / EntrySize)) {
    *error = "too many entries";
    return false;
  }
  plan->entries.clear();
  plan->entries.reserve(order.size());
  uint64_t nameTableSize = 0;
  for (size_t index : order) {
    const PackItem& item = items[index];
    PlannedEntry e{};
    e.path = item.path;
    e.directory = item.directory;
    e.source = item.source;
    e.pathOffset = static_cast<int32_t>(nameTableSize);
    const size_t slash = item.path.rfind('\\');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = item.path.rfind('.');
    const size_t extensionStart =
        (dot == std::string::npos || dot < nameStart) ? item.path.size() : dot + 1;
    e.nameOffset = e.pathOffset + static_cast<int32_t>(nameStart);
    e.extensionOffset = e.pathOffset + static_cast<int32_t>(extensionStart);
    e.level = ComponentCount(item.path) + (item.directory ? 1 : 0);
    e.nextLink = -1;
    e.childLink = -1;
    nameTableSize += item.path.size() + 1;
    if (nameTableSize > static_cast<uint64_t>(INT32_MAX)) {
      *error = "name table too large";
      return false;
    }
    plan->entries.push_back(std::move(e));
  }

  // Links: a directory's next directory of the same level and its first
  // subdirectory; a file's first directory one level below it.
  const int32_t count = static_cast<int32_t>(plan->entries.size());
  std::unordered_map<int32_t, int32_t> firstOfLevel;
  std::unordered_map<int32_t, int32_t> nextOfLevel;
  std::unordered_map<std::string, int32_t> directoryIndex;
  for (int32_t i = 0; i < count; ++i) {
    PlannedEntry& e = plan->entries[static_cast<size_t>(i)];
    if (!e.directory) continue;
    firstOfLevel.emplace(e.level, i);
    directoryIndex.emplace(e.path, i);
    const std::string parent = ParentOf(e.path);
    if (!parent.empty()) {
      PlannedEntry& p = plan->entries[static_cast<size_t>(directoryIndex.at(parent))];
      if (p.childLink < 0) p.childLink = i;
    }
  }
  for (int32_t i = count - 1; i >= 0; --i) {
    PlannedEntry& e = plan->entries[static_cast<size_t>(i)];
    if (e.directory) {
      auto next = nextOfLevel.find(e.level);
      if (next != nextOfLevel.end()) e.nextLink = next->second;
      nextOfLevel[e.level] = i;
    } else {
      auto next = firstOfLevel.find(e.level + 1);
      if (next != firstOfLevel.end()) e.nextLink = next->second;
    }
  }
  plan->nameTableSize = static_cast<uint32_t>(nameTableSize);
  plan->headSize = HeaderSize + nameTableSize + DirectoryHeaderSize +
                   static_cast<uint64_t>(count) * EntrySize;
  return true;
}

std::vector<uint8_t> ArchiveHead(const ArchivePlan& plan) {
  std::vector<uint8_t> head(static_cast<size_t>(plan.headSize), 0);
  uint8_t* p = head.data();
  std::copy(Magic, Magic + 4, p + HeaderMagicOffset);
  WriteU32(p + HeaderVersionOffset, Version);
  WriteU32(p + HeaderNameTableSizeOffset, plan.nameTableSize);
  uint8_t* names = p + NameTableStart;
  for (const PlannedEntry& e : plan.entries) {
    std::copy(e.path.begin(), e.path.end(), names + e.pathOffset);  // terminator already 0
  }
  uint8_t* directory = names + plan.nameTableSize;
  const uint32_t count = static_cast<uint32_t>(plan.entries.size());
  const uint32_t rounded = (count + RoundingStep - 1) / RoundingStep * RoundingStep;
  const uint32_t entriesStart = NameTableStart + plan.nameTableSize + DirectoryHeaderSize;
  WriteU32(directory + DirEntryCountOffset, count);
  WriteU32(directory + DirRoundedCountOffset, rounded);
  WriteU32(directory + DirRoundingStepOffset, RoundingStep);
  WriteU32(directory + DirEntrySizeOffset, EntrySize);
  WriteU32(directory + DirEntryArrayOffset, entriesStart);
  uint8_t* r = p + entriesStart;
  for (const PlannedEntry& e : plan.entries) {
    WriteI32(r + EntryPathOffset, e.pathOffset);
    WriteI32(r + EntryNameOffset, e.nameOffset);
    WriteI32(r + EntryExtensionOffset, e.extensionOffset);
    WriteU32(r + EntryBlockOffset, e.directory ? 0 : e.blockOffset);
    WriteU32(r + EntryBlockLength, e.directory ? 0 : e.blockLength);
    WriteI32(r + EntryAttributes, e.directory ? AttributeDirectory : AttributeFile);
    WriteI32(r + EntryNextLink, e.nextLink);
    WriteI32(r + EntryChildLink, e.childLink);
    WriteI32(r + EntryLevel, e.level);
    r += EntrySize;
  }
  return head;
}

uint64_t AppendStoredBlock(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  std::vector<uint8_t> stream;
  LzhEncode(data, size, stream);
  uint8_t header[BlockHeaderSize];
  std::copy(DefaultBlockTag, DefaultBlockTag + 4, header + BlockTagOffset);
  WriteU32(header + BlockUncompressedOffset, static_cast<uint32_t>(size));
  WriteU32(header + BlockCompressedOffset, static_cast<uint32_t>(stream.size()));
  out.insert(out.end(), header, header + BlockHeaderSize);
  out.insert(out.end(), stream.begin(), stream.end());
  return BlockHeaderSize + static_cast<uint64_t>(stream.size());
}

bool PackInMemory(const std::vector<MemoryItem>& items, std::vector<uint8_t>* archive,
                  std::string* error) {
  std::vector<PackItem> packItems;
  for (size_t i = 0; i < items.size(); ++i) {
    packItems.push_back(PackItem{items[i].path, items[i].directory, i});
  }
  ArchivePlan plan;
  if (!PlanArchive(packItems, &plan, error)) return false;
  std::vector<uint8_t> blocks;
  uint64_t offset = plan.headSize;
  for (PlannedEntry& e : plan.entries) {
    if (e.directory) continue;
    const std::vector<uint8_t>& data = items[e.source].data;
    const uint64_t length = AppendStoredBlock(data.data(), data.size(), blocks);
    e.blockOffset = static_cast<uint32_t>(offset);
    e.blockLength = static_cast<uint32_t>(length);
    offset += length;
  }
  if (offset > static_cast<uint64_t>(INT32_MAX)) {
    *error = "archive larger than 2 GiB";
    return false;
  }
  *archive = ArchiveHead(plan);
  archive->insert(archive->end(), blocks.begin(), blocks.end());
  return true;
}
