// Validation of a payload archive against its size, before anything is read
// through an ArchiveReader or written by the extraction engine.
//
// CheckArchive accepts an archive only when reading and extracting it stays
// inside its bytes and inside the destination directory:
//  - the header, the name table, the directory header and all EntryCount
//    records lie inside the archive; the name table ends with a terminator;
//  - every entry's path offset, name offset and extension offset lie in the
//    name table, its path is terminated there, 1 to MaxPathLength characters
//    long and safe (see CheckEntryPath);
//  - the stored blocks of the file entries lie back to back in entry order,
//    from the end of the entry records to the very end of the archive; each
//    block's stream lies inside the block (BlockLength = CompressedSize + 12)
//    and its UncompressedSize is one the stream can decode to.
// On failure it fills problem with a clear message naming the entry.
//
// CheckArchiveLayout (for an archive CheckArchive accepted) further checks the
// fields that a builder fills for the record and the installer never reads:
// magic, version, EntrySize, the name table packed in entry order, NameOffset,
// ExtensionOffset, Level, NextLink, ChildLink, the reserved fields (0, or on a
// file entry a checksum and its marker), the
// attribute values and the entry order (levels, each directory followed by its
// files, byte order within a level and within a directory).
#pragma once

#include <cstddef>
#include <cstdint>

struct ArchiveProblem {
  int32_t entry;      // the entry at fault, -1 when the fault lies outside the entries
  char message[256];  // e.g. entry 12 "DATA\X.BIN": block runs past the end of the archive
};

bool CheckArchive(const uint8_t* archive, size_t size, ArchiveProblem* problem);
bool CheckArchiveLayout(const uint8_t* archive, size_t size, ArchiveProblem* problem);

// Checks one entry path of `length` characters (backslash-separated, relative).
// Refused: empty or longer than MaxPathLength; a leading or trailing backslash;
// a drive or any colon; a forward slash; control characters and < > " | ? *;
// an empty, "." or ".." component; a component ending in a dot or a space
// (the platform would silently change such a name); a reserved device name
// (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9), also with an
// extension and in any case. Returns null when the path is safe, otherwise
// the reason.
const char* CheckEntryPath(const char* path, size_t length);
