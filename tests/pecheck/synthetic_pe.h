// Small PE images made byte by byte for the tests of pe-check: the headers, one
// section holding the import table, and whatever version fields and imports a test
// asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pecheck/pe_image.h"

struct SyntheticDll {
  std::string name;
  std::vector<std::string> functions;  // imported by name
  std::vector<uint16_t> ordinals;      // imported by ordinal, after the names
};

struct SyntheticPe {
  bool pe32Plus = false;
  PeVersion osVersion{4, 0};
  PeVersion subsystemVersion{4, 0};
  std::vector<SyntheticDll> dlls;
  bool lookupTables = true;  // false: only the address tables, as old linkers left them
  bool delayImports = false;
};

// Where things are in a made image, for tests that damage it.
struct SyntheticLayout {
  size_t optionalHeader;   // file offset of the optional header
  size_t sectionHeader;    // file offset of the one section's header
  size_t sectionData;      // file offset of the section's data (RVA SectionRva)
  size_t firstDllName;     // file offset of the first DLL's name
  size_t firstFunctionName;  // file offset of the first imported name (after its hint)
  size_t firstLookupEntry;   // file offset of the first DLL's first lookup table entry
};

constexpr uint32_t SectionRva = 0x1000;

std::vector<uint8_t> MakePe(const SyntheticPe& shape, SyntheticLayout* layout = nullptr);

// Little-endian stores into an image, for damaging one.
void Put16(std::vector<uint8_t>& image, size_t offset, uint16_t value);
void Put32(std::vector<uint8_t>& image, size_t offset, uint32_t value);
