// ArchiveReader: reads a payload archive that lies in memory, in place.
//
// Open is given only the archive's first byte; it fails (and changes nothing)
// only for a null address. It copies the 20-byte directory header into the
// reader, with the entry array's address in place of the stored EntryArray
// field, and trusts everything else: call CheckArchive on the archive and its
// size first. The archive's bytes belong to the caller; the reader neither
// copies nor releases them, and they must stay valid while it is open.
// Every field is read byte-wise, so the archive may lie at any alignment.
#pragma once

#include <cstdint>

#include "payload/archive_format.h"

// Every field of one entry record, as stored.
struct ArchiveEntry {
  int32_t PathOffset;
  int32_t NameOffset;
  int32_t ExtensionOffset;
  int32_t BlockOffset;
  int32_t BlockLength;
  int32_t Attributes;
  int32_t NextLink;
  int32_t ChildLink;
  int32_t Level;
  int32_t Reserved1;
  int32_t Reserved2;
};

// The reader's own copy of the directory header.
struct ArchiveDirectoryCopy {
  int32_t EntryCount;
  uint32_t RoundedCount;
  uint32_t RoundingStep;
  uint32_t EntrySize;
  const uint8_t* EntryArray;  // address of the first entry record
};

class ArchiveReader {
 public:
  ArchiveReader() = default;
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Fails only when archiveStart is null; the reader then stays as it was.
  bool Open(const uint8_t* archiveStart);
  // Releases the directory copy and sets the archive start to all bits set.
  void Close();
  bool IsOpen() const { return open_; }

  const uint8_t* ArchiveStart() const { return archiveStart_; }
  const uint8_t* NameTableStart() const { return nameTable_; }
  const ArchiveDirectoryCopy& Directory() const { return directory_; }
  int32_t EntryCount() const { return directory_.EntryCount; }

  // Entry i (0 <= i < EntryCount); the index is not tested.
  const uint8_t* EntryRecord(int32_t i) const {
    return directory_.EntryArray + static_cast<uint32_t>(i) * archive_format::EntrySize;
  }
  int32_t PathOffset(int32_t i) const {
    return archive_format::ReadI32(EntryRecord(i) + archive_format::EntryPathOffset);
  }
  int32_t Attributes(int32_t i) const {
    return archive_format::ReadI32(EntryRecord(i) + archive_format::EntryAttributes);
  }
  int32_t BlockOffset(int32_t i) const {
    return archive_format::ReadI32(EntryRecord(i) + archive_format::EntryBlockOffset);
  }
  bool IsDirectory(int32_t i) const {
    return (Attributes(i) & archive_format::AttributeDirectory) != 0;
  }
  // The entry's NUL-terminated path in the name table.
  const char* Path(int32_t i) const {
    return reinterpret_cast<const char*>(nameTable_ + PathOffset(i));
  }
  ArchiveEntry Entry(int32_t i) const;
  // Whether entry i carries a check value (see archive_format.h), and if so
  // the CRC-32 its file must decode to.
  bool EntryChecksum(int32_t i, uint32_t* crc) const {
    const uint8_t* r = EntryRecord(i);
    if (archive_format::ReadU32(r + archive_format::EntryChecksumMarker) !=
        archive_format::ChecksumMarker)
      return false;
    *crc = archive_format::ReadU32(r + archive_format::EntryChecksum);
    return true;
  }

  // Address of entry i's stored block: archive start plus its BlockOffset.
  // Meant for file entries; the index is not tested.
  const uint8_t* EntryBlock(int32_t i) const { return archiveStart_ + BlockOffset(i); }

  // Fields of a stored block.
  static uint32_t BlockUncompressedSize(const uint8_t* block) {
    return archive_format::ReadU32(block + archive_format::BlockUncompressedOffset);
  }
  static uint32_t BlockCompressedSize(const uint8_t* block) {
    return archive_format::ReadU32(block + archive_format::BlockCompressedOffset);
  }
  static const uint8_t* BlockStream(const uint8_t* block) {
    return block + archive_format::BlockHeaderSize;
  }

 private:
  static const uint8_t* ClosedStart() {
    return reinterpret_cast<const uint8_t*>(~static_cast<uintptr_t>(0));
  }

  const uint8_t* archiveStart_ = ClosedStart();
  const uint8_t* nameTable_ = nullptr;
  ArchiveDirectoryCopy directory_{};
  bool open_ = false;
};
