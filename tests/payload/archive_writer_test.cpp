#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "payload/archive_check.h"
#include "payload/archive_format.h"
#include "payload/archive_reader.h"
#include "payload/archive_writer.h"
#include "payload/crc32.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_format;
using namespace archive_test;

TEST(ArchiveWriter, OrdersEntriesByLevelDirectoryThenFilesInByteOrder) {
  const std::vector<uint8_t> archive = Pack(SampleTree());
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(archive.data()));
  struct Expected {
    const char* path;
    bool directory;
    int32_t level, next, child;
  };
  const Expected expected[] = {
      {"README.TXT", false, 1, 2, -1},
      {"UMBERLAY VALE.UNS", false, 1, 2, -1},
      {"DATA", true, 2, 5, 6},
      {"DATA\\EMPTY", false, 2, 6, -1},
      {"DATA\\MAP #1.DAT", false, 2, 6, -1},
      {"SOUND", true, 2, -1, 9},
      {"DATA\\LEVELS", true, 3, 9, -1},
      {"DATA\\LEVELS\\L-01.BIN", false, 3, 11, -1},
      {"DATA\\LEVELS\\L_02.BIN", false, 3, 11, -1},
      {"SOUND\\FX", true, 3, -1, 11},
      {"SOUND\\FX\\HIT.WAV", false, 3, 11, -1},
      {"SOUND\\FX\\OLD", true, 4, -1, -1},
  };
  ASSERT_EQ(reader.EntryCount(), 12);
  for (int32_t i = 0; i < 12; ++i) {
    const Expected& x = expected[i];
    const ArchiveEntry e = reader.Entry(i);
    EXPECT_STREQ(reader.Path(i), x.path) << i;
    EXPECT_EQ(e.Attributes, x.directory ? 0x10 : 0x20) << i;
    EXPECT_EQ(e.Level, x.level) << i;
    EXPECT_EQ(e.NextLink, x.next) << i;
    EXPECT_EQ(e.ChildLink, x.child) << i;
    if (x.directory) {
      EXPECT_EQ(e.Reserved1 | e.Reserved2, 0) << i;
      EXPECT_EQ(e.BlockOffset | e.BlockLength, 0) << i;
    }
  }
  const ArchiveDirectoryCopy& d = reader.Directory();
  EXPECT_EQ(d.RoundedCount, 20u);
  EXPECT_EQ(d.RoundingStep, 10u);
  EXPECT_EQ(d.EntrySize, 44u);
  EXPECT_EQ(std::memcmp(archive.data(), "PAK\0\1\0\0\0", 8), 0);
  const uint8_t* block = reader.EntryBlock(0);
  EXPECT_EQ(std::memcmp(block, "DCF\0", 4), 0);
  EXPECT_EQ(ArchiveReader::BlockUncompressedSize(block), 700u);
  EXPECT_EQ(reader.Entry(0).BlockOffset,
            static_cast<int32_t>(d.EntryArray - archive.data()) + 12 * 44);
  ArchiveProblem problem{};
  EXPECT_TRUE(CheckArchiveLayout(archive.data(), archive.size(), &problem)) << problem.message;
}

TEST(ArchiveWriter, FilesCarryTheChecksumOfTheirBytesUnlessToldOtherwise) {
  const std::vector<MemoryItem> tree = SampleTree();
  for (FileChecksums choice : {FileChecksums::Stored, FileChecksums::None}) {
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(PackInMemory(tree, &archive, &error, choice)) << error;
    ArchiveReader reader;
    ASSERT_TRUE(reader.Open(archive.data()));
    for (int32_t i = 0; i < reader.EntryCount(); ++i) {
      uint32_t crc = 0;
      const bool carried = reader.EntryChecksum(i, &crc);
      if (reader.IsDirectory(i) || choice == FileChecksums::None) {
        EXPECT_FALSE(carried) << i;
        EXPECT_EQ(reader.Entry(i).Reserved1 | reader.Entry(i).Reserved2, 0) << i;
        continue;
      }
      ASSERT_TRUE(carried) << i;
      for (const MemoryItem& item : tree) {
        if (item.path == reader.Path(i)) EXPECT_EQ(crc, Crc32(item.data.data(), item.data.size()));
      }
    }
  }
}

TEST(ArchiveWriter, RoundedCountIsAMultipleOfTen) {
  for (int n : {0, 1, 9, 10, 11}) {
    std::vector<MemoryItem> items;
    for (int i = 0; i < n; ++i) items.push_back(File("F" + std::to_string(i), {1}));
    const std::vector<uint8_t> archive = Pack(items);
    ArchiveReader reader;
    reader.Open(archive.data());
    EXPECT_EQ(reader.Directory().RoundedCount, static_cast<uint32_t>((n + 9) / 10 * 10)) << n;
  }
}

TEST(ArchiveWriter, RefusesTreesThatCannotBeStored) {
  std::vector<uint8_t> archive;
  std::string error;
  EXPECT_FALSE(PackInMemory({File("A", {}), File("A", {})}, &archive, &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  EXPECT_FALSE(PackInMemory({File("MISSING\\A", {})}, &archive, &error));
  EXPECT_NE(error.find("not an entry"), std::string::npos);
  EXPECT_FALSE(PackInMemory({File("AUX.TXT", {})}, &archive, &error));
  EXPECT_NE(error.find("reserved device"), std::string::npos);
  EXPECT_FALSE(PackInMemory({Dir("A"), File("A\\..\\B", {})}, &archive, &error));
}
