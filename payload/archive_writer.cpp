#include "payload/archive_writer.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "payload/archive_check.h"
#include "payload/archive_format.h"
#include "payload/entry_order.h"
#include "payload/lzh_encoder.h"

using namespace archive_format;

bool PlanArchive(const std::vector<PackItem>& items, ArchivePlan* plan, std::string* error) {
  std::unordered_map<std::string_view, size_t> byPath;
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
  std::vector<entry_order::Item> listed;
  listed.reserve(items.size());
  for (const PackItem& item : items) {
    const std::string_view parent = entry_order::Parent(item.path);
    if (!parent.empty()) {
      auto found = byPath.find(parent);
      if (found == byPath.end() || !items[found->second].directory) {
        *error = "\"" + item.path + "\": its directory \"" + std::string(parent) +
                 "\" is not an entry";
        return false;
      }
    }
    listed.push_back({item.path, item.directory});
  }
  const std::vector<size_t> order = entry_order::EntryOrder(listed);

  if (order.size() > static_cast<size_t>(INT32_MAX / EntrySize)) {
    *error = "too many entries";
    return false;
  }
  plan->entries.clear();
  plan->entries.reserve(order.size());
  std::vector<entry_order::Item> inOrder;
  inOrder.reserve(order.size());
  uint64_t nameTableSize = 0;
  for (size_t index : order) {
    const PackItem& item = items[index];
    PlannedEntry e{};
    e.path = item.path;
    e.directory = item.directory;
    e.source = item.source;
    e.pathOffset = static_cast<int32_t>(nameTableSize);
    e.nameOffset = e.pathOffset + static_cast<int32_t>(entry_order::NameStart(item.path));
    e.extensionOffset = e.pathOffset + static_cast<int32_t>(entry_order::ExtensionStart(item.path));
    e.level = entry_order::Level(item.path, item.directory);
    nameTableSize += item.path.size() + 1;
    if (nameTableSize > static_cast<uint64_t>(INT32_MAX)) {
      *error = "name table too large";
      return false;
    }
    plan->entries.push_back(std::move(e));
    inOrder.push_back(listed[index]);
  }
  const std::vector<entry_order::Links> links = entry_order::LinkEntries(inOrder);
  for (size_t i = 0; i < links.size(); ++i) {
    plan->entries[i].nextLink = links[i].next;
    plan->entries[i].childLink = links[i].child;
  }
  plan->nameTableSize = static_cast<uint32_t>(nameTableSize);
  plan->headSize = HeaderSize + nameTableSize + DirectoryHeaderSize +
                   static_cast<uint64_t>(plan->entries.size()) * EntrySize;
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
