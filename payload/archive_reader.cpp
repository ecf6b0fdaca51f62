#include "payload/archive_reader.h"

using namespace archive_format;

bool ArchiveReader::Open(const uint8_t* archiveStart) {
  if (archiveStart == nullptr) return false;
  nameTable_ = archiveStart + archive_format::NameTableStart;
  const uint32_t nameTableSize = ReadU32(archiveStart + HeaderNameTableSizeOffset);
  const uint8_t* header = nameTable_ + nameTableSize;
  directory_.EntryCount = ReadI32(header + DirEntryCountOffset);
  directory_.RoundedCount = ReadU32(header + DirRoundedCountOffset);
  directory_.RoundingStep = ReadU32(header + DirRoundingStepOffset);
  directory_.EntrySize = ReadU32(header + DirEntrySizeOffset);
  // The stored EntryArray value means nothing here; the copy holds the
  // address of the first entry instead.
  directory_.EntryArray = header + DirectoryHeaderSize;
  archiveStart_ = archiveStart;
  open_ = true;
  return true;
}

void ArchiveReader::Close() {
  directory_ = ArchiveDirectoryCopy{};
  nameTable_ = nullptr;
  archiveStart_ = ClosedStart();
  open_ = false;
}

ArchiveEntry ArchiveReader::Entry(int32_t i) const {
  const uint8_t* r = EntryRecord(i);
  ArchiveEntry e;
  e.PathOffset = ReadI32(r + EntryPathOffset);
  e.NameOffset = ReadI32(r + EntryNameOffset);
  e.ExtensionOffset = ReadI32(r + EntryExtensionOffset);
  e.BlockOffset = ReadI32(r + EntryBlockOffset);
  e.BlockLength = ReadI32(r + EntryBlockLength);
  e.Attributes = ReadI32(r + EntryAttributes);
  e.NextLink = ReadI32(r + EntryNextLink);
  e.ChildLink = ReadI32(r + EntryChildLink);
  e.Level = ReadI32(r + EntryLevel);
  e.Reserved1 = ReadI32(r + EntryReserved1);
  e.Reserved2 = ReadI32(r + EntryReserved2);
  return e;
}
