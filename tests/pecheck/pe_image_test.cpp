// ReadPeImage on PE images made by the tests: what it reads from well-formed ones, and
// that damaged or cut-short ones are refused with a reason instead of being read past.
#include <gtest/gtest.h>

#include "pecheck/pe_image.h"
#include "tests/pecheck/synthetic_pe.h"

namespace {

SyntheticPe TwoDlls() {
  SyntheticPe shape;
  shape.osVersion = {5, 1};
  shape.subsystemVersion = {4, 0};
  shape.dlls = {{"KERNEL32.dll", {"CreateFileA", "WriteFile", "CloseHandle"}, {}},
               {"USER32.dll", {"MessageBoxA"}, {}}};
  return shape;
}

bool Read(const std::vector<uint8_t>& bytes, PeImage* image, std::string* error) {
  return ReadPeImage(bytes.data(), bytes.size(), image, error);
}

std::vector<std::string> Names(const PeImage& image) {
  std::vector<std::string> names;
  for (const PeImport& import : image.imports) {
    names.push_back(import.dll + "!" +
                    (import.byOrdinal ? "#" + std::to_string(import.ordinal) : import.function));
  }
  return names;
}

}  // namespace

TEST(PeImage, ReadsTheVersionsAndEveryImportOfA32BitImage) {
  PeImage image;
  std::string error;
  ASSERT_TRUE(Read(MakePe(TwoDlls()), &image, &error)) << error;
  EXPECT_FALSE(image.pe32Plus);
  EXPECT_EQ(image.machine, 0x14c);
  EXPECT_EQ(image.subsystem, 2);
  EXPECT_EQ(image.osVersion.major, 5);
  EXPECT_EQ(image.osVersion.minor, 1);
  EXPECT_EQ(image.subsystemVersion.major, 4);
  EXPECT_EQ(image.subsystemVersion.minor, 0);
  EXPECT_FALSE(image.hasDelayImports);
  EXPECT_EQ(Names(image),
            (std::vector<std::string>{"KERNEL32.dll!CreateFileA", "KERNEL32.dll!WriteFile",
                                      "KERNEL32.dll!CloseHandle", "USER32.dll!MessageBoxA"}));
}

TEST(PeImage, ReadsA64BitImage) {
  SyntheticPe shape = TwoDlls();
  shape.pe32Plus = true;
  shape.osVersion = {6, 2};
  shape.dlls[1].ordinals = {17};
  PeImage image;
  std::string error;
  ASSERT_TRUE(Read(MakePe(shape), &image, &error)) << error;
  EXPECT_TRUE(image.pe32Plus);
  EXPECT_EQ(image.machine, 0x8664);
  EXPECT_EQ(image.osVersion.major, 6);
  EXPECT_EQ(image.osVersion.minor, 2);
  EXPECT_EQ(Names(image), (std::vector<std::string>{
                              "KERNEL32.dll!CreateFileA", "KERNEL32.dll!WriteFile",
                              "KERNEL32.dll!CloseHandle", "USER32.dll!MessageBoxA",
                              "USER32.dll!#17"}));
}

TEST(PeImage, ImportsByOrdinalAreReportedAsOrdinals) {
  SyntheticPe shape;
  shape.dlls = {{"WS2_32.dll", {"recv"}, {3, 0x1234}}};
  PeImage image;
  std::string error;
  ASSERT_TRUE(Read(MakePe(shape), &image, &error)) << error;
  ASSERT_EQ(image.imports.size(), 3u);
  EXPECT_FALSE(image.imports[0].byOrdinal);
  EXPECT_TRUE(image.imports[1].byOrdinal);
  EXPECT_EQ(image.imports[1].ordinal, 3);
  EXPECT_TRUE(image.imports[1].function.empty());
  EXPECT_EQ(image.imports[2].ordinal, 0x1234);
}

TEST(PeImage, AddressTablesAloneStillNameTheImports) {
  SyntheticPe shape = TwoDlls();
  shape.lookupTables = false;
  PeImage image;
  std::string error;
  ASSERT_TRUE(Read(MakePe(shape), &image, &error)) << error;
  EXPECT_EQ(image.imports.size(), 4u);
}

TEST(PeImage, NoImportsAndDelayLoadImportsAreSaidSo) {
  SyntheticPe shape;
  shape.delayImports = true;
  PeImage image;
  std::string error;
  ASSERT_TRUE(Read(MakePe(shape), &image, &error)) << error;
  EXPECT_TRUE(image.imports.empty());
  EXPECT_TRUE(image.hasDelayImports);
}

TEST(PeImage, EveryCutShortImageIsRefusedOrReadWhole) {
  for (bool pe32Plus : {false, true}) {
    SyntheticPe shape = TwoDlls();
    shape.pe32Plus = pe32Plus;
    shape.dlls[1].ordinals = {9};
    SyntheticLayout layout{};
    const std::vector<uint8_t> whole = MakePe(shape, &layout);
    PeImage full;
    std::string error;
    ASSERT_TRUE(Read(whole, &full, &error)) << error;
    for (size_t length = 0; length < whole.size(); ++length) {
      // A copy of exactly that length, so that reading past it is reading past the
      // allocation.
      const std::vector<uint8_t> cut(whole.begin(), whole.begin() + length);
      PeImage image;
      error.clear();
      if (Read(cut, &image, &error)) {
        // Only the padding after the last name may go.
        EXPECT_GT(length, layout.firstDllName) << length;
        EXPECT_EQ(Names(image), Names(full)) << length;
      } else {
        EXPECT_FALSE(error.empty()) << length;
      }
    }
  }
}

TEST(PeImage, DamagedHeadersAreRefusedWithAReason) {
  SyntheticLayout layout{};
  const std::vector<uint8_t> good = MakePe(TwoDlls(), &layout);
  struct Damage {
    const char* what;
    void (*apply)(std::vector<uint8_t>&, const SyntheticLayout&);
    const char* reason;  // a part of the message
  };
  const Damage damages[] = {
      {"no MZ", [](std::vector<uint8_t>& i, const SyntheticLayout&) { i[0] = 'X'; }, "MZ"},
      {"PE header beyond the end",
       [](std::vector<uint8_t>& i, const SyntheticLayout&) { Put32(i, 0x3c, 0xfffffff0u); },
       "PE signature"},
      {"unknown optional header",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) { Put16(i, l.optionalHeader, 0x107); },
       "magic"},
      {"more data directories than room",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) { Put32(i, l.optionalHeader + 92, 17); },
       "data directories"},
      {"section data beyond the end",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) { Put32(i, l.sectionHeader + 20, 0x7ffffff0u); },
       "import table"},
      {"import table in no section",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) { Put32(i, l.optionalHeader + 104, 0x50000); },
       "import table"},
      {"DLL name without its end",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) {
         for (size_t at = l.firstDllName; at < i.size(); ++at) i[at] = 'A';
       },
       "name"},
      {"imported name outside the file",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) { Put32(i, l.firstLookupEntry, 0x00fffff0u); },
       "imported name"},
      {"lookup table running off the section",
       [](std::vector<uint8_t>& i, const SyntheticLayout& l) {
         Put32(i, l.sectionData, static_cast<uint32_t>(SectionRva + i.size() - l.sectionData - 2));
       },
       "lookup table"},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> image = good;
    damage.apply(image, layout);
    PeImage read;
    std::string error;
    EXPECT_FALSE(Read(image, &read, &error)) << damage.what;
    EXPECT_NE(error.find(damage.reason), std::string::npos) << damage.what << ": " << error;
  }
}

TEST(PeImage, A64BitLookupEntryThatIsNeitherOrdinalNorNameIsRefused) {
  SyntheticPe shape = TwoDlls();
  shape.pe32Plus = true;
  SyntheticLayout layout{};
  std::vector<uint8_t> bytes = MakePe(shape, &layout);
  Put32(bytes, layout.firstLookupEntry + 4, 1);  // bit 32: neither the ordinal flag nor an RVA
  PeImage image;
  std::string error;
  EXPECT_FALSE(Read(bytes, &image, &error));
  EXPECT_NE(error.find("neither ordinal nor name"), std::string::npos) << error;
}

TEST(PeImage, NoSingleDamagedByteIsReadPast) {
  // Every byte set to 0x00 and to 0xff in turn: the reader may accept or refuse the
  // image, but must stay inside it (each run reads an allocation of exactly its size).
  for (bool pe32Plus : {false, true}) {
    SyntheticPe shape = TwoDlls();
    shape.pe32Plus = pe32Plus;
    shape.dlls[0].ordinals = {2};
    const std::vector<uint8_t> good = MakePe(shape);
    for (size_t at = 0; at < good.size(); ++at) {
      for (uint8_t value : {uint8_t{0}, uint8_t{0xff}}) {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        PeImage image;
        std::string error;
        if (!Read(bytes, &image, &error)) {
          EXPECT_FALSE(error.empty()) << at;
        }
      }
    }
  }
}
