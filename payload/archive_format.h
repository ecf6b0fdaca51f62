// Layout of the payload archive and the little-endian readers and writers for
// its fields.
//
// An archive is, without gaps: a 12-byte header, the name table (one
// NUL-terminated path per entry), a 20-byte directory header, EntryCount
// records of 44 bytes, then one stored block per file entry, back to back,
// the last ending at the end of the archive. Every field is a little-endian
// 32-bit integer at any alignment, so every field is read byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace archive_format {

// Archive header.
constexpr uint32_t HeaderSize = 12;
constexpr uint32_t HeaderMagicOffset = 0;        // "PAK\0"
constexpr uint32_t HeaderVersionOffset = 4;      // 1
constexpr uint32_t HeaderNameTableSizeOffset = 8;
constexpr uint32_t NameTableStart = HeaderSize;
constexpr uint8_t Magic[4] = {'P', 'A', 'K', 0};
constexpr uint32_t Version = 1;

// Directory header, directly after the name table.
constexpr uint32_t DirectoryHeaderSize = 20;
constexpr uint32_t DirEntryCountOffset = 0;
constexpr uint32_t DirRoundedCountOffset = 4;
constexpr uint32_t DirRoundingStepOffset = 8;
constexpr uint32_t DirEntrySizeOffset = 12;
constexpr uint32_t DirEntryArrayOffset = 16;
constexpr uint32_t RoundingStep = 10;

// One entry record; eleven signed 32-bit fields.
constexpr uint32_t EntrySize = 44;
constexpr uint32_t EntryPathOffset = 0;
constexpr uint32_t EntryNameOffset = 4;
constexpr uint32_t EntryExtensionOffset = 8;
constexpr uint32_t EntryBlockOffset = 12;
constexpr uint32_t EntryBlockLength = 16;
constexpr uint32_t EntryAttributes = 20;
constexpr uint32_t EntryNextLink = 24;
constexpr uint32_t EntryChildLink = 28;
constexpr uint32_t EntryLevel = 32;
constexpr uint32_t EntryReserved1 = 36;
constexpr uint32_t EntryReserved2 = 40;

// The reserved fields of a file entry may carry a check value: the first the
// CRC-32 of the file's decoded bytes, the second ChecksumMarker to say so.
// Readers that ignore both fields read such an archive as any other; an entry
// whose second reserved field is not the marker carries no check value.
constexpr uint32_t EntryChecksum = EntryReserved1;
constexpr uint32_t EntryChecksumMarker = EntryReserved2;
constexpr uint32_t ChecksumMarker = 0x31435243;  // "CRC1" as stored

// Attribute values; only AttributeDirectory is tested when reading.
constexpr int32_t AttributeDirectory = 0x10;
constexpr int32_t AttributeFile = 0x20;

// Stored block: tag, uncompressed size, compressed size, then the stream.
constexpr uint32_t BlockHeaderSize = 12;
constexpr uint32_t BlockTagOffset = 0;
constexpr uint32_t BlockUncompressedOffset = 4;
constexpr uint32_t BlockCompressedOffset = 8;
constexpr uint8_t DefaultBlockTag[4] = {'D', 'C', 'F', 0};

// Longest entry path accepted, in characters: a path buffer holds 1024
// characters and the terminator. Every line of the install list ("!%s\r\n")
// then fits the 4,096-byte line buffer as well.
constexpr uint32_t MaxPathLength = 1024;
constexpr uint32_t LineBufferSize = 4096;

// Upper bound of the bytes one stream of CompressedSize bytes can decode to:
// every symbol costs at least one bit, a match of at most 60 bytes at least
// ten (one for the symbol, nine for the distance), so no stream yields more
// than 48 bytes per compressed byte; the slack covers the final match.
constexpr uint64_t MaxExpansionPerByte = 48;
constexpr uint64_t ExpansionSlack = 64;

inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t ReadI32(const uint8_t* p) { return static_cast<int32_t>(ReadU32(p)); }

inline void WriteU32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

inline void WriteI32(uint8_t* p, int32_t value) { WriteU32(p, static_cast<uint32_t>(value)); }

}  // namespace archive_format
