#include "pecheck/pe_image.h"

#include <cstring>

namespace {

constexpr uint16_t Pe32Magic = 0x10b;
constexpr uint16_t Pe32PlusMagic = 0x20b;
constexpr uint32_t ImportDirectory = 1;
constexpr uint32_t DelayImportDirectory = 13;
constexpr size_t SectionHeaderSize = 40;
constexpr size_t ImportDescriptorSize = 20;
constexpr size_t MaxNameLength = 4096;  // longer DLL or function names are refused
constexpr size_t MaxImports = 65536;    // more are refused (no real program comes near)

// The file's bytes, read little-endian at checked offsets.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t size() const { return size_; }
  // Whether [offset, offset + length) lies inside the file.
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  uint16_t U16(size_t offset) const { return static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8); }
  uint32_t U32(size_t offset) const {
    return static_cast<uint32_t>(U16(offset)) | static_cast<uint32_t>(U16(offset + 2)) << 16;
  }
  uint64_t U64(size_t offset) const {
    return static_cast<uint64_t>(U32(offset)) | static_cast<uint64_t>(U32(offset + 4)) << 32;
  }
  const uint8_t* At(size_t offset) const { return data_ + offset; }

 private:
  const uint8_t* data_;
  size_t size_;
};

struct Section {
  uint32_t virtualAddress;
  uint32_t rawSize;
  uint32_t rawOffset;
};

// Where the image's relative virtual addresses are in the file: the headers, then
// each section's raw data.
class AddressMap {
 public:
  AddressMap(const Bytes& bytes, uint32_t headersSize, std::vector<Section> sections)
      : bytes_(bytes), headersSize_(headersSize), sections_(std::move(sections)) {}

  // The file offset of rva, and in *room how many bytes from there belong to the same
  // region (and lie inside the file). False when rva is in no region of the file.
  bool Find(uint32_t rva, size_t* offset, size_t* room) const {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize) continue;
      return Clip(static_cast<uint64_t>(s.rawOffset) + (rva - s.virtualAddress),
                  s.rawSize - (rva - s.virtualAddress), offset, room);
    }
    if (rva < headersSize_) return Clip(rva, headersSize_ - rva, offset, room);
    return false;
  }

  // The file offset of length bytes at rva, all in one region.
  bool Span(uint32_t rva, uint64_t length, size_t* offset) const {
    size_t room = 0;
    return Find(rva, offset, &room) && length <= room;
  }

  // The NUL-terminated string at rva, which must end inside its region.
  bool String(uint32_t rva, std::string* text) const {
    size_t offset = 0;
    size_t room = 0;
    if (!Find(rva, &offset, &room)) return false;
    if (room > MaxNameLength + 1) room = MaxNameLength + 1;
    const void* end = std::memchr(bytes_.At(offset), 0, room);
    if (end == nullptr) return false;
    text->assign(reinterpret_cast<const char*>(bytes_.At(offset)),
                 static_cast<const uint8_t*>(end) - bytes_.At(offset));
    return true;
  }

 private:
  bool Clip(uint64_t offset, uint64_t length, size_t* outOffset, size_t* room) const {
    if (offset >= bytes_.size()) return false;
    const uint64_t inFile = bytes_.size() - offset;
    *outOffset = static_cast<size_t>(offset);
    *room = static_cast<size_t>(length < inFile ? length : inFile);
    return true;
  }

  const Bytes& bytes_;
  uint32_t headersSize_;
  std::vector<Section> sections_;
};

bool Fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

std::string Hex(uint64_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 15]);
    value >>= 4;
  } while (value != 0);
  return "0x" + text;
}

// The imports of one DLL: its lookup table at tableRva, entries of entrySize bytes
// up to a zero entry.
bool ReadThunks(const AddressMap& map, const Bytes& bytes, const std::string& dll,
                uint32_t tableRva, bool pe32Plus, std::vector<PeImport>* imports,
                std::string* error) {
  const size_t entrySize = pe32Plus ? 8 : 4;
  const uint64_t ordinalFlag = pe32Plus ? uint64_t{1} << 63 : uint64_t{1} << 31;
  for (uint64_t rva = tableRva;; rva += entrySize) {
    size_t offset = 0;
    if (rva > UINT32_MAX || !map.Span(static_cast<uint32_t>(rva), entrySize, &offset)) {
      return Fail(error, "the import lookup table of " + dll + " runs outside the file");
    }
    const uint64_t entry = pe32Plus ? bytes.U64(offset) : bytes.U32(offset);
    if (entry == 0) return true;
    if (imports->size() == MaxImports) {
      return Fail(error, "more than " + std::to_string(MaxImports) + " imports");
    }
    PeImport import;
    import.dll = dll;
    if ((entry & ordinalFlag) != 0) {
      import.byOrdinal = true;
      import.ordinal = static_cast<uint16_t>(entry & 0xffff);
    } else {
      // The RVA of a hint (two bytes) and the name; the bits above it must be clear.
      if ((entry >> 31) != 0) {
        return Fail(error, "an import lookup entry of " + dll + " is neither ordinal nor name: " +
                               Hex(entry));
      }
      const uint64_t nameRva = (entry & 0x7fffffff) + 2;
      if (!map.String(static_cast<uint32_t>(nameRva), &import.function) ||
          import.function.empty()) {
        return Fail(error, "an imported name of " + dll + " at " + Hex(entry) +
                               " is not a terminated name inside the file");
      }
    }
    imports->push_back(std::move(import));
  }
}

}  // namespace

bool ReadPeImage(const uint8_t* data, size_t size, PeImage* image, std::string* error) {
  *image = PeImage{};
  const Bytes bytes(data, size);
  if (!bytes.Has(0, 64) || data[0] != 'M' || data[1] != 'Z') {
    return Fail(error, "no DOS header (MZ): not a Windows program");
  }
  const uint32_t peOffset = bytes.U32(0x3c);
  if (!bytes.Has(peOffset, 24) || std::memcmp(bytes.At(peOffset), "PE\0\0", 4) != 0) {
    return Fail(error, "no PE signature where the DOS header points (" + Hex(peOffset) + ")");
  }
  const size_t coff = peOffset + size_t{4};
  image->machine = bytes.U16(coff);
  const uint16_t sectionCount = bytes.U16(coff + 2);
  const uint16_t optionalSize = bytes.U16(coff + 16);
  const size_t optional = coff + 20;
  if (!bytes.Has(optional, optionalSize)) return Fail(error, "the optional header is cut short");
  if (optionalSize < 2) return Fail(error, "no optional header");
  const uint16_t magic = bytes.U16(optional);
  if (magic != Pe32Magic && magic != Pe32PlusMagic) {
    return Fail(error, "unknown optional header magic " + Hex(magic));
  }
  image->pe32Plus = magic == Pe32PlusMagic;
  const size_t directoriesAt = image->pe32Plus ? 112 : 96;
  if (optionalSize < directoriesAt) return Fail(error, "the optional header is too short");
  // The same places in PE32 and PE32+.
  image->osVersion = {bytes.U16(optional + 40), bytes.U16(optional + 42)};
  image->subsystemVersion = {bytes.U16(optional + 48), bytes.U16(optional + 50)};
  const uint32_t headersSize = bytes.U32(optional + 60);
  image->subsystem = bytes.U16(optional + 68);
  const uint32_t directoryCount = bytes.U32(optional + directoriesAt - 4);
  const uint64_t directoriesRoom = (optionalSize - directoriesAt) / 8;
  if (directoryCount > directoriesRoom) {
    return Fail(error, "the optional header has room for fewer data directories than it counts");
  }
  auto directory = [&](uint32_t index, uint32_t* rva, uint32_t* length) {
    if (index >= directoryCount) return false;
    *rva = bytes.U32(optional + directoriesAt + index * 8);
    *length = bytes.U32(optional + directoriesAt + index * 8 + 4);
    return *rva != 0;
  };

  const uint64_t sectionTable = static_cast<uint64_t>(optional) + optionalSize;
  if (!bytes.Has(sectionTable, uint64_t{sectionCount} * SectionHeaderSize)) {
    return Fail(error, "the section table is cut short");
  }
  std::vector<Section> sections;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const size_t at = static_cast<size_t>(sectionTable) + i * SectionHeaderSize;
    sections.push_back({bytes.U32(at + 12), bytes.U32(at + 16), bytes.U32(at + 20)});
  }
  const AddressMap map(bytes, headersSize, std::move(sections));

  uint32_t rva = 0;
  uint32_t length = 0;
  image->hasDelayImports = directory(DelayImportDirectory, &rva, &length);
  if (!directory(ImportDirectory, &rva, &length)) return true;  // imports nothing
  for (uint64_t at = rva;; at += ImportDescriptorSize) {
    size_t offset = 0;
    if (at > UINT32_MAX || !map.Span(static_cast<uint32_t>(at), ImportDescriptorSize, &offset)) {
      return Fail(error, "the import table runs outside the file (at " + Hex(at) + ")");
    }
    const uint32_t lookupTable = bytes.U32(offset);
    const uint32_t nameRva = bytes.U32(offset + 12);
    const uint32_t addressTable = bytes.U32(offset + 16);
    if (lookupTable == 0 && nameRva == 0 && addressTable == 0) return true;  // the end
    std::string dll;
    if (!map.String(nameRva, &dll) || dll.empty()) {
      return Fail(error, "an imported DLL's name at " + Hex(nameRva) +
                             " is not a terminated name inside the file");
    }
    // The lookup table names what is imported; old linkers left only the address
    // table, which holds the same before the image is bound.
    const uint32_t table = lookupTable != 0 ? lookupTable : addressTable;
    if (!ReadThunks(map, bytes, dll, table, image->pe32Plus, &image->imports, error)) {
      return false;
    }
  }
}
