// ReadPeImage: what a Windows program's PE file asks of the system that loads it, read
// from the file's bytes: the version fields of its optional header and every function
// it imports, by DLL. Portable C++17, for a tool that checks built programs.
//
// The file is untrusted: every offset, count and string is checked against the bytes
// given, arithmetic cannot wrap, and a file that is not a well-formed PE image (cut
// short, a table outside its section, a name without its terminator) is refused with
// a message, never read past. Both PE32 (32-bit) and PE32+ (64-bit) images are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PeImport {
  std::string dll;       // as the file names it ("KERNEL32.dll")
  std::string function;  // empty when imported by ordinal
  bool byOrdinal = false;
  uint16_t ordinal = 0;  // when byOrdinal
};

struct PeVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
};

struct PeImage {
  bool pe32Plus = false;  // a 64-bit image
  uint16_t machine = 0;
  uint16_t subsystem = 0;
  PeVersion osVersion;         // MajorOperatingSystemVersion, MinorOperatingSystemVersion
  PeVersion subsystemVersion;  // MajorSubsystemVersion, MinorSubsystemVersion
  std::vector<PeImport> imports;  // in the order of the import table
  // The image also has a delay-load import table, whose functions are not listed.
  bool hasDelayImports = false;
};

// Reads the image in data[0, size). Returns false, with the reason in *error, for a
// file that is not a well-formed PE image.
bool ReadPeImage(const uint8_t* data, size_t size, PeImage* image, std::string* error);
