#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "payload/archive_check.h"
#include "payload/archive_format.h"
#include "payload/archive_reader.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_format;
using namespace archive_test;

namespace {

std::string Problem(const std::vector<uint8_t>& archive) {
  ArchiveProblem problem{};
  if (CheckArchive(archive.data(), archive.size(), &problem)) return "";
  return problem.message;
}

// Offsets of the parts of a well-formed archive.
struct Parts {
  size_t directory;  // directory header
  size_t entries;
  int32_t count;
  size_t Entry(int32_t i) const { return entries + static_cast<size_t>(i) * EntrySize; }
};
Parts PartsOf(const std::vector<uint8_t>& a) {
  Parts p;
  p.directory = 12 + ReadU32(&a[8]);
  p.count = ReadI32(&a[p.directory]);
  p.entries = p.directory + 20;
  return p;
}

// Replaces the path of entry `i` with text of the same length.
void OverwritePath(std::vector<uint8_t>& a, int32_t i, const char* text) {
  const Parts p = PartsOf(a);
  const int32_t offset = ReadI32(&a[p.Entry(i) + EntryPathOffset]);
  char* path = reinterpret_cast<char*>(&a[12 + offset]);
  ASSERT_EQ(std::strlen(path), std::strlen(text));
  std::memcpy(path, text, std::strlen(text));
}

}  // namespace

TEST(CheckEntryPath, RefusesPathsThatLeaveTheDestinationOrNameDevices) {
  const char* unsafe[] = {
      "",          "\\WINDOWS",   "DATA\\",      "C:\\BOOT.INI", "C:FILE",  "DATA\\A:B",
      "A\\\\B",    ".",           "..",          "..\\X",        "A\\..\\B", "A\\.\\B",
      "A/B",       "/ETC",        "CON",         "con",          "NUL.TXT", "DATA\\AUX.DAT",
      "PRN",       "COM1",        "LPT9.LOG",    "CON .TXT",     "CONIN$",  "DIR.",
      "DIR \\FILE", "A\tB",       "A?B",         "A*",           "A|B",     "A\"B",
      "A<B",       "A>B",
  };
  for (const char* path : unsafe) {
    EXPECT_NE(CheckEntryPath(path, std::strlen(path)), nullptr) << "accepted: " << path;
  }
  const char* safe[] = {"README.TXT", "UMBERLAY VALE.UNS", "DATA\\MAP #1.DAT", "CONFIG.EXE",
                        "COM10",      "COM",               "LPT0",             "NULL",
                        ".HIDDEN",    "A..B",              "DATA\\L-01_X.BIN", "\xC4PFEL"};
  for (const char* path : safe) {
    EXPECT_EQ(CheckEntryPath(path, std::strlen(path)), nullptr) << "refused: " << path;
  }
}

TEST(CheckEntryPath, LengthLimitIsThePathBuffer) {
  std::string path(1024, 'A');
  EXPECT_EQ(CheckEntryPath(path.data(), path.size()), nullptr);
  path += 'A';
  EXPECT_NE(CheckEntryPath(path.data(), path.size()), nullptr);
}

TEST(CheckArchive, AcceptsPackedArchives) {
  EXPECT_EQ(Problem(Pack(SampleTree())), "");
  EXPECT_EQ(Problem(Pack({})), "");
  EXPECT_EQ(Problem(Pack({Dir("ONLY")})), "");
  EXPECT_EQ(Problem(Pack({File("EMPTY", {})})), "");
}

TEST(CheckArchive, UnsafePathIsDamageNamingTheEntry) {
  std::vector<uint8_t> a = Pack({Dir("AA"), File("AA\\BB", {1, 2, 3})});
  OverwritePath(a, 1, "..\\BB");
  EXPECT_EQ(Problem(a), "entry 1 \"..\\BB\": unsafe path: path has a \".\" or \"..\" component");
  a = Pack({File("XX.TXT", {1})});
  OverwritePath(a, 0, "C:.TXT");
  EXPECT_NE(Problem(a).find("entry 0 \"C:.TXT\": unsafe path"), std::string::npos);
  a = Pack({File("XXX", {1})});
  OverwritePath(a, 0, "NUL");
  EXPECT_NE(Problem(a).find("reserved device"), std::string::npos);
}

TEST(CheckArchive, RefusesEveryKindOfStructuralDamage) {
  const std::vector<uint8_t> good = Pack(SampleTree());
  const Parts p = PartsOf(good);
  ArchiveReader reader;
  reader.Open(good.data());
  int32_t firstFile = -1, lastFile = -1;
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (!reader.IsDirectory(i)) {
      if (firstFile < 0) firstFile = i;
      lastFile = i;
    }
  }
  const size_t firstBlock = static_cast<size_t>(reader.BlockOffset(firstFile));
  const size_t lastBlock = static_cast<size_t>(reader.BlockOffset(lastFile));

  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* expected;  // part of the message
  };
  const Case cases[] = {
      {"name table size past the end", [](auto& a) { WriteU32(&a[8], 0x7FFFFFF0); },
       "run past the end"},
      {"negative entry count", [&](auto& a) { WriteI32(&a[p.directory], -1); }, "negative"},
      {"entry count past the end", [&](auto& a) { WriteI32(&a[p.directory], 100000); },
       "entries run past the end"},
      {"name table without terminator", [&](auto& a) { a[p.directory - 1] = 'X'; },
       "terminator"},
      {"path offset outside the table",
       [&](auto& a) { WriteI32(&a[p.Entry(3) + EntryPathOffset], 100000); },
       "entry 3: path offset 100000 lies outside"},
      {"negative path offset", [&](auto& a) { WriteI32(&a[p.Entry(0) + EntryPathOffset], -4); },
       "outside the name table"},
      {"name offset outside its path",
       [&](auto& a) { WriteI32(&a[p.Entry(1) + EntryNameOffset], -1); }, "name or extension"},
      {"block not back to back",
       [&](auto& a) { WriteI32(&a[p.Entry(firstFile) + EntryBlockOffset], 0); }, "back to back"},
      {"block length disagrees",
       [&](auto& a) {
         const size_t e = p.Entry(firstFile) + EntryBlockLength;
         WriteI32(&a[e], ReadI32(&a[e]) + 1);
       },
       "block length"},
      {"stream longer than the archive",
       [&](auto& a) { WriteU32(&a[lastBlock + BlockCompressedOffset], 0x10000000); },
       "runs past the end"},
      {"stream reaching into the next block",
       [&](auto& a) {
         const size_t c = firstBlock + BlockCompressedOffset;
         WriteU32(&a[c], ReadU32(&a[c]) + 1);
       },
       "block length"},
      {"size no stream can reach",
       [&](auto& a) { WriteU32(&a[firstBlock + BlockUncompressedOffset], 0xFFFFFFFF); },
       "cannot be decoded"},
      {"bytes after the last block", [](auto& a) { a.push_back(0); }, "follow the last block"},
      {"truncated last block", [](auto& a) { a.pop_back(); }, "runs past the end"},
      {"shorter than a header", [](auto& a) { a.resize(11); }, "shorter than its header"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> a = good;
    c.damage(a);
    const std::string message = Problem(a);
    EXPECT_NE(message.find(c.expected), std::string::npos)
        << c.name << ": got \"" << message << "\"";
  }
  EXPECT_EQ(Problem(good), "");
  ArchiveProblem problem;
  EXPECT_FALSE(CheckArchive(nullptr, 0, &problem));
  EXPECT_STREQ(problem.message, "no archive");
}

TEST(CheckArchiveLayout, AcceptsPackedArchivesAndCatchesWrongRecordFields) {
  const std::vector<uint8_t> good = Pack(SampleTree());
  ArchiveProblem problem{};
  ASSERT_TRUE(CheckArchiveLayout(good.data(), good.size(), &problem)) << problem.message;
  const Parts p = PartsOf(good);
  // The checksum itself is any value (decoding checks it); its marker is exact.
  const uint32_t fields[] = {EntryNameOffset, EntryExtensionOffset, EntryNextLink,
                             EntryChildLink,  EntryLevel,           EntryChecksumMarker};
  for (int32_t i = 0; i < p.count; ++i) {
    for (uint32_t field : fields) {
      std::vector<uint8_t> a = good;
      const size_t at = p.Entry(i) + field;
      // Every field is checked exactly (an offset moved out of its path is
      // already refused by CheckArchive, which the layout check includes).
      WriteI32(&a[at], ReadI32(&a[at]) + 1);
      EXPECT_FALSE(CheckArchiveLayout(a.data(), a.size(), &problem))
          << "entry " << i << " field " << field;
    }
  }
  // Two root files in the wrong order (same length, so the table stays packed).
  std::vector<uint8_t> a = Pack({File("AAA", {1}), File("BBB", {2})});
  OverwritePath(a, 0, "CCC");
  EXPECT_FALSE(CheckArchiveLayout(a.data(), a.size(), &problem));
  EXPECT_NE(std::string(problem.message).find("out of order"), std::string::npos);
}

TEST(CheckArchiveLayout, ReservedFieldsHoldZeroOrAFileChecksum) {
  ArchiveProblem problem{};
  std::vector<uint8_t> plain;
  std::string error;
  ASSERT_TRUE(PackInMemory(SampleTree(), &plain, &error, FileChecksums::None)) << error;
  ASSERT_TRUE(CheckArchiveLayout(plain.data(), plain.size(), &problem)) << problem.message;
  const Parts p = PartsOf(plain);
  for (int32_t i = 0; i < p.count; ++i) {
    for (uint32_t field : {EntryReserved1, EntryReserved2}) {
      std::vector<uint8_t> a = plain;
      WriteI32(&a[p.Entry(i) + field], 1);
      EXPECT_FALSE(CheckArchiveLayout(a.data(), a.size(), &problem)) << i << " " << field;
      EXPECT_NE(std::string(problem.message).find("reserved fields"), std::string::npos);
    }
    // A checksum with its marker is accepted on a file and refused on a directory.
    std::vector<uint8_t> a = plain;
    WriteU32(&a[p.Entry(i) + EntryChecksum], 0x12345678u);
    WriteU32(&a[p.Entry(i) + EntryChecksumMarker], ChecksumMarker);
    const bool directory = (ReadI32(&a[p.Entry(i) + EntryAttributes]) & AttributeDirectory) != 0;
    EXPECT_EQ(CheckArchiveLayout(a.data(), a.size(), &problem), !directory) << i;
  }
}

TEST(CheckArchiveLayout, RefusesFilesInTheWrongOrder) {
  ArchiveProblem problem{};
  std::vector<uint8_t> a = Pack({File("AAA", {1}), File("BBB", {2})});
  OverwritePath(a, 0, "CCC");
  EXPECT_FALSE(CheckArchiveLayout(a.data(), a.size(), &problem));
  EXPECT_NE(std::string(problem.message).find("out of order"), std::string::npos);
}
