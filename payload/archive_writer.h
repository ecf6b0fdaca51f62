// Building payload archives (for exar and the tests; the setup only reads).
//
// PlanArchive orders the entries as the archive requires - by level, each
// directory followed by its own files, directories of one level and files of
// one directory in ascending byte order of their paths; the root's files come
// first at level 1 - and fills every field but the block fields: PathOffset,
// NameOffset, ExtensionOffset, Attributes, NextLink, ChildLink, Level. Paths
// are stored as given (relative, backslash-separated; exar upper-cases them)
// and must pass CheckEntryPath; every directory that holds an entry must be an
// entry itself; no path may occur twice.
//
// ArchiveHead serialises header ("PAK\0", version 1), name table, directory
// header (RoundedCount with RoundingStep 10, EntrySize 44, EntryArray = the
// offset of the first entry) and entries with the block fields as set in the
// plan, and a file's checksum with its marker where the plan has one; the
// blocks follow it back to back, each made by AppendStoredBlock (tag "DCF\0",
// sizes, one LZHUF stream).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PackItem {
  std::string path;  // archive path
  bool directory;
  size_t source;  // the caller's index, carried into the plan
};

struct PlannedEntry {
  std::string path;
  bool directory;
  size_t source;
  int32_t pathOffset;
  int32_t nameOffset;
  int32_t extensionOffset;
  int32_t level;
  int32_t nextLink;
  int32_t childLink;
  uint32_t blockOffset;  // filled by the caller as the blocks are laid out
  uint32_t blockLength;
  // Filled by the caller for a file: the CRC-32 of its bytes, stored with the
  // checksum marker when hasChecksum is set (the reserved fields stay 0 else).
  uint32_t checksum = 0;
  bool hasChecksum = false;
};

struct ArchivePlan {
  std::vector<PlannedEntry> entries;  // in archive order
  uint32_t nameTableSize;
  uint64_t headSize;  // header + name table + directory header + entries: the first block's offset
};

bool PlanArchive(const std::vector<PackItem>& items, ArchivePlan* plan, std::string* error);

std::vector<uint8_t> ArchiveHead(const ArchivePlan& plan);

// Appends one stored block for `size` bytes of data; returns its length
// (12 + the stream's length).
uint64_t AppendStoredBlock(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

// A whole archive in memory, for small trees (tests, fuzz seeds).
struct MemoryItem {
  std::string path;
  bool directory;
  std::vector<uint8_t> data;
};
// Every file carries its checksum unless told otherwise (an archive as packed
// before files had one).
enum class FileChecksums { Stored, None };
bool PackInMemory(const std::vector<MemoryItem>& items, std::vector<uint8_t>* archive,
                  std::string* error, FileChecksums checksums = FileChecksums::Stored);
