#include "payload/archive_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "payload/archive_format.h"
#include "payload/entry_order.h"

using namespace archive_format;

namespace {

bool IsSeparator(char c) { return c == '\\'; }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsUpper(const char* text, size_t length, const char* upperWord) {
  size_t n = std::strlen(upperWord);
  if (n != length) return false;
  for (size_t i = 0; i < n; ++i) {
    if (UpperAscii(text[i]) != upperWord[i]) return false;
  }
  return true;
}

// A component names a device when the part before its first dot, without
// trailing spaces, is one of the reserved names.
bool IsReservedDeviceName(const char* component, size_t length) {
  size_t base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  static const char* const Fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* word : Fixed) {
    if (EqualsUpper(component, base, word)) return true;
  }
  if (base == 4 && component[3] >= '1' && component[3] <= '9') {
    if (EqualsUpper(component, 3, "COM") || EqualsUpper(component, 3, "LPT")) return true;
  }
  return false;
}

bool IsForbiddenCharacter(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*';
}

// Copies a path for a message: at most 60 characters, unprintable ones as '?'.
void QuotePath(const char* path, size_t length, char* out, size_t outSize) {
  size_t limit = length;
  bool cut = false;
  if (limit > 60) {
    limit = 60;
    cut = true;
  }
  size_t o = 0;
  for (size_t i = 0; i < limit && o + 5 < outSize; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    out[o++] = (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
  }
  if (cut && o + 4 < outSize) {
    out[o++] = '.';
    out[o++] = '.';
    out[o++] = '.';
  }
  out[o] = 0;
}

// Fills problem; `path` may be null when the entry's path cannot be shown.
bool Fail(ArchiveProblem* problem, int32_t entry, const char* path, size_t pathLength,
          const char* format, ...) {
  if (problem == nullptr) return false;
  problem->entry = entry;
  char reason[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(reason, sizeof reason, format, args);
  va_end(args);
  if (entry < 0) {
    std::snprintf(problem->message, sizeof problem->message, "%s", reason);
  } else if (path != nullptr) {
    char shown[72];
    QuotePath(path, pathLength, shown, sizeof shown);
    std::snprintf(problem->message, sizeof problem->message, "entry %d \"%s\": %s",
                  static_cast<int>(entry), shown, reason);
  } else {
    std::snprintf(problem->message, sizeof problem->message, "entry %d: %s",
                  static_cast<int>(entry), reason);
  }
  return false;
}

// The facts about the archive's frame that both checks use.
struct Frame {
  uint32_t nameTableSize;
  uint64_t directoryHeader;  // offset of the directory header
  int32_t entryCount;
  uint64_t entriesStart;
  uint64_t entriesEnd;
};

Frame ReadFrame(const uint8_t* archive) {
  Frame f;
  f.nameTableSize = ReadU32(archive + HeaderNameTableSizeOffset);
  f.directoryHeader = static_cast<uint64_t>(NameTableStart) + f.nameTableSize;
  f.entryCount = ReadI32(archive + f.directoryHeader + DirEntryCountOffset);
  f.entriesStart = f.directoryHeader + DirectoryHeaderSize;
  f.entriesEnd = f.entriesStart + static_cast<uint64_t>(f.entryCount < 0 ? 0 : f.entryCount) * EntrySize;
  return f;
}

}  // namespace

const char* CheckEntryPath(const char* path, size_t length) {
  if (length == 0) return "empty path";
  if (length > MaxPathLength) return "path longer than 1024 characters";
  if (IsSeparator(path[0])) return "path begins with a backslash (absolute path)";
  if (IsSeparator(path[length - 1])) return "path ends with a backslash";
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == ':') return "path holds a drive or a colon";
    if (c == '/') return "path holds a forward slash";
    if (IsForbiddenCharacter(c)) return "path holds a character not allowed in names";
  }
  size_t start = 0;
  while (start <= length) {
    size_t end = start;
    while (end < length && !IsSeparator(path[end])) ++end;
    const char* component = path + start;
    size_t n = end - start;
    if (n == 0) return "path has an empty component";
    if ((n == 1 && component[0] == '.') || (n == 2 && component[0] == '.' && component[1] == '.'))
      return "path has a \".\" or \"..\" component";
    if (component[n - 1] == '.' || component[n - 1] == ' ')
      return "path component ends with a dot or a space";
    if (IsReservedDeviceName(component, n)) return "path names a reserved device";
    start = end + 1;
  }
  return nullptr;
}

bool CheckArchive(const uint8_t* archive, size_t size, ArchiveProblem* problem) {
  if (archive == nullptr) return Fail(problem, -1, nullptr, 0, "no archive");
  if (size < HeaderSize)
    return Fail(problem, -1, nullptr, 0, "archive of %zu bytes is shorter than its header", size);
  const uint32_t nameTableSize = ReadU32(archive + HeaderNameTableSizeOffset);
  if (static_cast<uint64_t>(NameTableStart) + nameTableSize + DirectoryHeaderSize > size)
    return Fail(problem, -1, nullptr, 0,
                "name table of %u bytes and directory header run past the end of the archive",
                nameTableSize);
  const Frame f = ReadFrame(archive);
  if (f.entryCount < 0)
    return Fail(problem, -1, nullptr, 0, "negative entry count %d", static_cast<int>(f.entryCount));
  if (f.entriesEnd > size)
    return Fail(problem, -1, nullptr, 0, "%d entries run past the end of the archive",
                static_cast<int>(f.entryCount));
  const uint8_t* names = archive + NameTableStart;
  if (nameTableSize > 0 && names[nameTableSize - 1] != 0)
    return Fail(problem, -1, nullptr, 0, "name table does not end with a terminator");

  uint64_t nextBlock = f.entriesEnd;  // where the next file's block must begin
  const uint8_t* record = archive + f.entriesStart;
  for (int32_t i = 0; i < f.entryCount; ++i, record += EntrySize) {
    const int32_t pathOffset = ReadI32(record + EntryPathOffset);
    if (pathOffset < 0 || static_cast<uint32_t>(pathOffset) >= nameTableSize)
      return Fail(problem, i, nullptr, 0, "path offset %d lies outside the name table",
                  static_cast<int>(pathOffset));
    const char* path = reinterpret_cast<const char*>(names + pathOffset);
    const void* terminator = std::memchr(path, 0, nameTableSize - static_cast<uint32_t>(pathOffset));
    if (terminator == nullptr)
      return Fail(problem, i, nullptr, 0, "path has no terminator in the name table");
    const size_t length = static_cast<size_t>(static_cast<const char*>(terminator) - path);
    if (const char* reason = CheckEntryPath(path, length))
      return Fail(problem, i, path, length, "unsafe path: %s", reason);
    const int32_t nameOffset = ReadI32(record + EntryNameOffset);
    const int32_t extensionOffset = ReadI32(record + EntryExtensionOffset);
    const int64_t pathEnd = static_cast<int64_t>(pathOffset) + static_cast<int64_t>(length);
    if (nameOffset < pathOffset || nameOffset > pathEnd || extensionOffset < nameOffset ||
        extensionOffset > pathEnd)
      return Fail(problem, i, path, length, "name or extension offset lies outside its path");

    const int32_t attributes = ReadI32(record + EntryAttributes);
    if ((attributes & AttributeDirectory) != 0) continue;

    const int32_t blockOffset = ReadI32(record + EntryBlockOffset);
    if (blockOffset < 0 || static_cast<uint64_t>(blockOffset) != nextBlock)
      return Fail(problem, i, path, length,
                  "block offset %d, expected %llu: blocks must lie back to back",
                  static_cast<int>(blockOffset), static_cast<unsigned long long>(nextBlock));
    if (nextBlock + BlockHeaderSize > size)
      return Fail(problem, i, path, length, "block header runs past the end of the archive");
    const uint8_t* block = archive + nextBlock;
    const uint32_t uncompressed = ReadU32(block + BlockUncompressedOffset);
    const uint32_t compressed = ReadU32(block + BlockCompressedOffset);
    const uint64_t blockEnd = nextBlock + BlockHeaderSize + compressed;
    if (blockEnd > size)
      return Fail(problem, i, path, length, "stream of %u bytes runs past the end of the archive",
                  compressed);
    const int32_t blockLength = ReadI32(record + EntryBlockLength);
    if (static_cast<int64_t>(blockLength) != static_cast<int64_t>(compressed) + BlockHeaderSize)
      return Fail(problem, i, path, length,
                  "block length %d does not match its stream of %u bytes",
                  static_cast<int>(blockLength), compressed);
    if (uncompressed > static_cast<uint64_t>(compressed) * MaxExpansionPerByte + ExpansionSlack)
      return Fail(problem, i, path, length,
                  "size %u cannot be decoded from a stream of %u bytes", uncompressed,
                  compressed);
    nextBlock = blockEnd;
  }
  if (nextBlock != size)
    return Fail(problem, -1, nullptr, 0, "%llu bytes follow the last block",
                static_cast<unsigned long long>(size - nextBlock));
  return true;
}

bool CheckArchiveLayout(const uint8_t* archive, size_t size, ArchiveProblem* problem) {
  if (!CheckArchive(archive, size, problem)) return false;
  if (std::memcmp(archive + HeaderMagicOffset, Magic, 4) != 0)
    return Fail(problem, -1, nullptr, 0, "the header does not begin with \"PAK\"");
  if (ReadU32(archive + HeaderVersionOffset) != Version)
    return Fail(problem, -1, nullptr, 0, "unknown archive version %u",
                ReadU32(archive + HeaderVersionOffset));
  const Frame f = ReadFrame(archive);
  if (ReadU32(archive + f.directoryHeader + DirEntrySizeOffset) != EntrySize)
    return Fail(problem, -1, nullptr, 0, "entry size is not 44");
  const uint8_t* names = archive + NameTableStart;
  const uint8_t* records = archive + f.entriesStart;
  const int32_t count = f.entryCount;
  auto recordOf = [&](int32_t i) { return records + static_cast<size_t>(i) * EntrySize; };

  // Pass 1: the fields each entry determines on its own.
  std::vector<entry_order::Item> entries;
  entries.reserve(static_cast<size_t>(count));
  uint32_t expectedPath = 0;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* r = recordOf(i);
    const int32_t pathOffset = ReadI32(r + EntryPathOffset);
    const char* path = reinterpret_cast<const char*>(names + pathOffset);
    const size_t length = std::strlen(path);
    const std::string_view p(path, length);
    if (static_cast<uint32_t>(pathOffset) != expectedPath)
      return Fail(problem, i, path, length, "path offset %d, expected %u (paths in entry order)",
                  static_cast<int>(pathOffset), expectedPath);
    expectedPath += static_cast<uint32_t>(length) + 1;
    const int32_t attributes = ReadI32(r + EntryAttributes);
    const bool directory = (attributes & AttributeDirectory) != 0;
    if (attributes != (directory ? AttributeDirectory : AttributeFile))
      return Fail(problem, i, path, length, "attributes 0x%X are neither 0x10 nor 0x20",
                  static_cast<unsigned>(attributes));
    if (ReadI32(r + EntryNameOffset) !=
        pathOffset + static_cast<int32_t>(entry_order::NameStart(p)))
      return Fail(problem, i, path, length, "name offset does not point at the last component");
    if (ReadI32(r + EntryExtensionOffset) !=
        pathOffset + static_cast<int32_t>(entry_order::ExtensionStart(p)))
      return Fail(problem, i, path, length, "extension offset does not point at the extension");
    const int32_t level = entry_order::Level(p, directory);
    if (ReadI32(r + EntryLevel) != level)
      return Fail(problem, i, path, length, "level %d, expected %d",
                  static_cast<int>(ReadI32(r + EntryLevel)), static_cast<int>(level));
    if (ReadI32(r + EntryReserved1) != 0 || ReadI32(r + EntryReserved2) != 0)
      return Fail(problem, i, path, length, "reserved fields are not 0");
    if (directory && (ReadI32(r + EntryBlockOffset) != 0 || ReadI32(r + EntryBlockLength) != 0))
      return Fail(problem, i, path, length, "directory with a block");
    if (!directory && ReadI32(r + EntryChildLink) != -1)
      return Fail(problem, i, path, length, "file with a child link");
    entries.push_back({p, directory});
  }
  if (expectedPath != f.nameTableSize)
    return Fail(problem, -1, nullptr, 0, "name table holds %u bytes beyond the last path",
                f.nameTableSize - expectedPath);

  // Pass 2: the order of the entries.
  const entry_order::OrderFault fault = entry_order::FindOrderFault(entries);
  if (fault.entry >= 0) {
    const std::string_view p = entries[static_cast<size_t>(fault.entry)].path;
    return Fail(problem, fault.entry, p.data(), p.size(), "%s", fault.reason);
  }

  // Pass 3: the links that follow from the order.
  const std::vector<entry_order::Links> links = entry_order::LinkEntries(entries);
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* r = recordOf(i);
    const std::string_view p = entries[static_cast<size_t>(i)].path;
    const entry_order::Links& expected = links[static_cast<size_t>(i)];
    if (ReadI32(r + EntryNextLink) != expected.next)
      return Fail(problem, i, p.data(), p.size(), "next link %d, expected %d",
                  static_cast<int>(ReadI32(r + EntryNextLink)), static_cast<int>(expected.next));
    if (ReadI32(r + EntryChildLink) != expected.child)
      return Fail(problem, i, p.data(), p.size(), "child link %d, expected %d",
                  static_cast<int>(ReadI32(r + EntryChildLink)), static_cast<int>(expected.child));
  }
  return true;
}
