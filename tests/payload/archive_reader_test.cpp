#include <gtest/gtest.h>

#include <cstring>

#include "payload/archive_format.h"
#include "payload/archive_reader.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_format;
using namespace archive_test;

namespace {

// A hand-laid archive: one directory "D" and one file "D\F.TXT" whose block
// holds `stream`, with a name table of `padding` extra bytes so that the
// directory header can be put at any alignment.
std::vector<uint8_t> HandArchive(uint32_t padding, const std::vector<uint8_t>& stream) {
  const char names[] = "D\0D\\F.TXT";  // 2 + 8 bytes with terminators
  const uint32_t nameTableSize = 10 + padding;
  std::vector<uint8_t> a(HeaderSize + nameTableSize + DirectoryHeaderSize + 2 * EntrySize, 0);
  std::memcpy(a.data(), Magic, 4);
  WriteU32(&a[4], Version);
  WriteU32(&a[8], nameTableSize);
  std::memcpy(&a[12], names, 10);
  const size_t dir = 12 + nameTableSize;
  WriteU32(&a[dir + DirEntryCountOffset], 2);
  WriteU32(&a[dir + DirEntryArrayOffset], 0xDEADBEEF);  // meaningless to the reader
  const size_t e0 = dir + DirectoryHeaderSize, e1 = e0 + EntrySize;
  WriteI32(&a[e0 + EntryPathOffset], 0);
  WriteI32(&a[e0 + EntryAttributes], AttributeDirectory);
  WriteI32(&a[e1 + EntryPathOffset], 2);
  WriteI32(&a[e1 + EntryAttributes], AttributeFile);
  const uint32_t block = static_cast<uint32_t>(a.size());
  WriteU32(&a[e1 + EntryBlockOffset], block);
  WriteU32(&a[e1 + EntryBlockLength], static_cast<uint32_t>(stream.size() + 12));
  a.resize(block + 12);
  std::memcpy(&a[block], DefaultBlockTag, 4);
  WriteU32(&a[block + 4], 77);
  WriteU32(&a[block + 8], static_cast<uint32_t>(stream.size()));
  a.insert(a.end(), stream.begin(), stream.end());
  return a;
}

}  // namespace

TEST(ArchiveReader, NullAddressFailsAndLeavesTheReaderClosed) {
  ArchiveReader reader;
  EXPECT_FALSE(reader.Open(nullptr));
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.EntryCount(), 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(reader.ArchiveStart()), ~static_cast<uintptr_t>(0));
}

TEST(ArchiveReader, ReadsFieldsAtEveryAlignment) {
  // The directory header at offsets 22..25 (mod 4: 2, 3, 0, 1) and the
  // archive itself at odd addresses.
  for (uint32_t padding = 0; padding < 4; ++padding) {
    for (size_t shift = 0; shift < 4; ++shift) {
      const std::vector<uint8_t> archive = HandArchive(padding, {1, 2, 3});
      std::vector<uint8_t> storage(archive.size() + shift);
      std::memcpy(storage.data() + shift, archive.data(), archive.size());
      const uint8_t* start = storage.data() + shift;
      ArchiveReader reader;
      ASSERT_TRUE(reader.Open(start));
      EXPECT_EQ(reader.EntryCount(), 2);
      EXPECT_EQ(reader.NameTableStart(), start + 12);
      EXPECT_EQ(reader.Directory().EntryArray, start + 12 + 10 + padding + 20);
      EXPECT_TRUE(reader.IsDirectory(0));
      EXPECT_FALSE(reader.IsDirectory(1));
      EXPECT_STREQ(reader.Path(0), "D");
      EXPECT_STREQ(reader.Path(1), "D\\F.TXT");
      const uint8_t* block = reader.EntryBlock(1);
      EXPECT_EQ(block, start + reader.BlockOffset(1));
      EXPECT_EQ(ArchiveReader::BlockUncompressedSize(block), 77u);
      EXPECT_EQ(ArchiveReader::BlockCompressedSize(block), 3u);
      EXPECT_EQ(ArchiveReader::BlockStream(block)[2], 3);
      reader.Close();
    }
  }
}

TEST(ArchiveReader, CloseReleasesTheCopyAndLeavesTheBytesAlone) {
  const std::vector<uint8_t> archive = HandArchive(1, {9, 9});
  const std::vector<uint8_t> before = archive;
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(archive.data()));
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.EntryCount(), 0);
  EXPECT_EQ(reader.Directory().EntryArray, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(reader.ArchiveStart()), ~static_cast<uintptr_t>(0));
  EXPECT_EQ(archive, before);
  // A closed reader opens again.
  ASSERT_TRUE(reader.Open(archive.data()));
  EXPECT_EQ(reader.EntryCount(), 2);
}

TEST(ArchiveReader, ArchiveWithoutEntries) {
  const std::vector<uint8_t> archive = Pack({});
  ASSERT_EQ(archive.size(), 32u);
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(archive.data()));
  EXPECT_EQ(reader.EntryCount(), 0);
}

TEST(ArchiveReader, EntryFieldsOfAPackedArchive) {
  const std::vector<uint8_t> archive =
      Pack({Dir("DOCS"), File("DOCS\\READ.ME.TXT", MakeData(50, 0)), File("NOEXT", {1})});
  ArchiveReader reader;
  ASSERT_TRUE(reader.Open(archive.data()));
  ASSERT_EQ(reader.EntryCount(), 3);
  // Root file first, then the directory and its file.
  EXPECT_STREQ(reader.Path(0), "NOEXT");
  const ArchiveEntry root = reader.Entry(0);
  EXPECT_EQ(root.NameOffset, root.PathOffset);
  EXPECT_EQ(root.ExtensionOffset, root.PathOffset + 5);  // on the terminator
  EXPECT_EQ(reader.NameTableStart()[root.ExtensionOffset], 0);
  const ArchiveEntry nested = reader.Entry(2);
  EXPECT_STREQ(reader.Path(2), "DOCS\\READ.ME.TXT");
  EXPECT_EQ(nested.NameOffset - nested.PathOffset, 5);
  EXPECT_EQ(nested.ExtensionOffset - nested.PathOffset, 13);  // after the last dot
  // Blocks back to back, the last ending at the end of the archive.
  const ArchiveEntry first = reader.Entry(0);
  EXPECT_EQ(first.BlockOffset + first.BlockLength, nested.BlockOffset);
  EXPECT_EQ(static_cast<size_t>(nested.BlockOffset + nested.BlockLength), archive.size());
}
