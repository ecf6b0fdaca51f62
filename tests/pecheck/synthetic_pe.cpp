#include "tests/pecheck/synthetic_pe.h"

void Put16(std::vector<uint8_t>& image, size_t offset, uint16_t value) {
  image[offset] = static_cast<uint8_t>(value);
  image[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& image, size_t offset, uint32_t value) {
  Put16(image, offset, static_cast<uint16_t>(value));
  Put16(image, offset + 2, static_cast<uint16_t>(value >> 16));
}

namespace {

void Put64(std::vector<uint8_t>& image, size_t offset, uint64_t value) {
  Put32(image, offset, static_cast<uint32_t>(value));
  Put32(image, offset + 4, static_cast<uint32_t>(value >> 32));
}

constexpr size_t PeOffset = 0x40;
constexpr size_t HeadersSize = 0x200;

}  // namespace

std::vector<uint8_t> MakePe(const SyntheticPe& shape, SyntheticLayout* layout) {
  const size_t entry = shape.pe32Plus ? 8 : 4;
  const size_t dllCount = shape.dlls.size();

  // The section: descriptors, then each DLL's lookup and address tables, then the
  // hint/name entries and DLL names.
  std::vector<uint8_t> section((dllCount + 1) * 20, 0);
  std::vector<size_t> lookupAt(dllCount);
  std::vector<size_t> addressAt(dllCount);
  for (size_t d = 0; d < dllCount; ++d) {
    const size_t entries = shape.dlls[d].functions.size() + shape.dlls[d].ordinals.size() + 1;
    lookupAt[d] = section.size();
    section.resize(section.size() + entries * entry, 0);
    addressAt[d] = section.size();
    section.resize(section.size() + entries * entry, 0);
  }
  size_t firstDllName = 0;
  size_t firstFunctionName = 0;
  for (size_t d = 0; d < dllCount; ++d) {
    const SyntheticDll& dll = shape.dlls[d];
    size_t slot = 0;
    for (const std::string& function : dll.functions) {
      const size_t at = section.size();
      if (firstFunctionName == 0) firstFunctionName = at + 2;
      section.push_back(0);  // hint
      section.push_back(0);
      section.insert(section.end(), function.begin(), function.end());
      section.push_back(0);
      if (section.size() % 2) section.push_back(0);
      for (size_t table : {lookupAt[d], addressAt[d]}) {
        if (shape.pe32Plus) {
          Put64(section, table + slot * entry, SectionRva + at);
        } else {
          Put32(section, table + slot * entry, static_cast<uint32_t>(SectionRva + at));
        }
      }
      ++slot;
    }
    for (uint16_t ordinal : dll.ordinals) {
      for (size_t table : {lookupAt[d], addressAt[d]}) {
        if (shape.pe32Plus) {
          Put64(section, table + slot * entry, (uint64_t{1} << 63) | ordinal);
        } else {
          Put32(section, table + slot * entry, 0x80000000u | ordinal);
        }
      }
      ++slot;
    }
    const size_t nameAt = section.size();
    if (d == 0) firstDllName = nameAt;
    section.insert(section.end(), dll.name.begin(), dll.name.end());
    section.push_back(0);
    const size_t descriptor = d * 20;
    Put32(section, descriptor, shape.lookupTables ? static_cast<uint32_t>(SectionRva + lookupAt[d]) : 0);
    Put32(section, descriptor + 12, static_cast<uint32_t>(SectionRva + nameAt));
    Put32(section, descriptor + 16, static_cast<uint32_t>(SectionRva + addressAt[d]));
  }
  while (section.size() % 16) section.push_back(0);

  std::vector<uint8_t> image(HeadersSize, 0);
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3c, PeOffset);
  image[PeOffset] = 'P';
  image[PeOffset + 1] = 'E';
  const size_t coff = PeOffset + 4;
  const uint16_t optionalSize = shape.pe32Plus ? 240 : 224;
  Put16(image, coff, shape.pe32Plus ? 0x8664 : 0x14c);
  Put16(image, coff + 2, 1);  // one section
  Put16(image, coff + 16, optionalSize);
  Put16(image, coff + 18, 0x0102);  // executable, 32-bit machine
  const size_t optional = coff + 20;
  Put16(image, optional, shape.pe32Plus ? 0x20b : 0x10b);
  Put32(image, optional + 32, 0x1000);  // section alignment
  Put32(image, optional + 36, 0x200);   // file alignment
  Put16(image, optional + 40, shape.osVersion.major);
  Put16(image, optional + 42, shape.osVersion.minor);
  Put16(image, optional + 48, shape.subsystemVersion.major);
  Put16(image, optional + 50, shape.subsystemVersion.minor);
  Put32(image, optional + 56, static_cast<uint32_t>(SectionRva + section.size()));  // image size
  Put32(image, optional + 60, HeadersSize);
  Put16(image, optional + 68, 2);  // GUI
  const size_t directories = optional + (shape.pe32Plus ? 112 : 96);
  Put32(image, directories - 4, 16);
  if (dllCount != 0) {
    Put32(image, directories + 8, SectionRva);
    Put32(image, directories + 12, static_cast<uint32_t>((dllCount + 1) * 20));
  }
  if (shape.delayImports) {
    Put32(image, directories + 13 * 8, SectionRva);
    Put32(image, directories + 13 * 8 + 4, 32);
  }
  const size_t sectionHeader = optional + optionalSize;
  const char name[8] = {'.', 'i', 'd', 'a', 't', 'a', 0, 0};
  for (size_t i = 0; i < 8; ++i) image[sectionHeader + i] = static_cast<uint8_t>(name[i]);
  Put32(image, sectionHeader + 8, static_cast<uint32_t>(section.size()));
  Put32(image, sectionHeader + 12, SectionRva);
  Put32(image, sectionHeader + 16, static_cast<uint32_t>(section.size()));
  Put32(image, sectionHeader + 20, HeadersSize);
  Put32(image, sectionHeader + 36, 0xc0000040);  // initialised data, read, write
  image.insert(image.end(), section.begin(), section.end());

  if (layout != nullptr) {
    *layout = {optional, sectionHeader, HeadersSize, HeadersSize + firstDllName,
               HeadersSize + firstFunctionName,
               HeadersSize + (dllCount != 0 ? lookupAt[0] : 0)};
  }
  return image;
}
