// The archive's entry order, record fields and install-list lines, on their
// own: the one definition the writer, the layout check and the demo
// generator share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/entry_order.h"
#include "payload/install_list.h"

using entry_order::Item;

namespace {

std::vector<std::string> Ordered(const std::vector<Item>& items) {
  std::vector<std::string> paths;
  for (size_t index : entry_order::EntryOrder(items)) paths.emplace_back(items[index].path);
  return paths;
}

}  // namespace

TEST(EntryOrder, LevelsThenEachDirectoryWithItsFilesInByteOrder) {
  const std::vector<Item> items = {
      {"SOUND\\FX\\HIT.WAV", false}, {"DATA", true},        {"README.TXT", false},
      {"SOUND\\FX", true},           {"DATA\\B.BIN", false}, {"SOUND", true},
      {"DATA\\A.BIN", false},        {"A.TXT", false},       {"DATA\\LEVELS", true},
  };
  // Level 1, the root's files; level 2, each directory with its files;
  // level 3 likewise.
  EXPECT_EQ(Ordered(items),
            (std::vector<std::string>{"A.TXT", "README.TXT", "DATA", "DATA\\A.BIN", "DATA\\B.BIN",
                                      "SOUND", "DATA\\LEVELS", "SOUND\\FX", "SOUND\\FX\\HIT.WAV"}));
  EXPECT_EQ(entry_order::Level("README.TXT", false), 1);
  EXPECT_EQ(entry_order::Level("DATA", true), 2);
  EXPECT_EQ(entry_order::Level("DATA\\A.BIN", false), 2);
  EXPECT_EQ(entry_order::Level("SOUND\\FX", true), 3);
  // A directory stands before its own files, its files before the next
  // directory of the level; nothing stands before itself.
  EXPECT_TRUE(entry_order::Precedes({"DATA", true}, {"DATA\\A.BIN", false}));
  EXPECT_TRUE(entry_order::Precedes({"DATA\\B.BIN", false}, {"SOUND", true}));
  EXPECT_FALSE(entry_order::Precedes({"DATA", true}, {"DATA", true}));
}

TEST(EntryOrder, BytesCompareUnsignedAndAPrefixSortsFirst) {
  // 0xC9 (an accented capital in the ANSI code page) sorts after 'Z'; signed
  // characters would put it first.
  const std::string accented = std::string("\xC9T\xC9.TXT");
  EXPECT_EQ(Ordered({{accented, false}, {"ZZ.TXT", false}}),
            (std::vector<std::string>{"ZZ.TXT", accented}));
  EXPECT_LT(entry_order::ComparePaths("AB", "ABC"), 0);
  EXPECT_GT(entry_order::ComparePaths("AB\\C", "AB"), 0);
  EXPECT_EQ(entry_order::ComparePaths("", ""), 0);
  // A directory's files come right after it, before the next directory whose
  // name extends its own.
  EXPECT_EQ(Ordered({{"A-B", true}, {"A", true}, {"A\\X", false}}),
            (std::vector<std::string>{"A", "A\\X", "A-B"}));
}

TEST(EntryOrder, NameAndExtensionOffsets) {
  EXPECT_EQ(entry_order::NameStart("README.TXT"), 0u);
  EXPECT_EQ(entry_order::ExtensionStart("README.TXT"), 7u);
  EXPECT_EQ(entry_order::NameStart("DATA\\MAPS\\L1.MAP"), 10u);
  EXPECT_EQ(entry_order::ExtensionStart("DATA\\MAPS\\L1.MAP"), 13u);
  // A dot in a directory's name is no extension of the file below it.
  EXPECT_EQ(entry_order::ExtensionStart("V1.0\\README"), 11u);
  EXPECT_EQ(entry_order::ExtensionStart("DATA"), 4u);
  EXPECT_EQ(entry_order::ExtensionStart("A\\.HIDDEN"), 3u);
  EXPECT_EQ(entry_order::Parent("A\\B\\C"), "A\\B");
  EXPECT_EQ(entry_order::Parent("ROOT.TXT"), "");
}

TEST(EntryOrder, FaultsAreNamedAtTheFirstEntryOutOfPlace) {
  using Fault = entry_order::OrderFault;
  auto fault = [](const std::vector<Item>& list) { return entry_order::FindOrderFault(list); };
  const Fault none = fault({{"A.TXT", false}, {"D", true}, {"D\\F", false}, {"D\\E", true}});
  EXPECT_EQ(none.entry, -1);
  EXPECT_EQ(fault({}).entry, -1);

  Fault f = fault({{"B.TXT", false}, {"A.TXT", false}});
  EXPECT_EQ(f.entry, 1);
  EXPECT_STREQ(f.reason, "file out of order");
  f = fault({{"E", true}, {"D", true}});
  EXPECT_EQ(f.entry, 1);
  EXPECT_STREQ(f.reason, "directory out of order");
  f = fault({{"D", true}, {"X\\Y", true}});
  EXPECT_EQ(f.entry, 1);
  EXPECT_STREQ(f.reason, "directory stands before its parent");
  f = fault({{"D", true}, {"E", true}, {"D\\F", false}});
  EXPECT_EQ(f.entry, 2);
  EXPECT_STREQ(f.reason, "file does not follow its directory");
  f = fault({{"D", true}, {"ROOT.TXT", false}});
  EXPECT_EQ(f.entry, 1);
  EXPECT_STREQ(f.reason, "file does not follow its directory");
}

TEST(EntryOrder, LinksFollowFromTheOrder) {
  const std::vector<Item> list = {
      {"R.TXT", false}, {"A", true},       {"A\\F", false},    {"B", true},
      {"A\\C", true},   {"A\\C\\G", false}, {"B\\D", true},    {"A\\C\\E", true},
  };
  ASSERT_EQ(entry_order::FindOrderFault(list).entry, -1);
  const std::vector<entry_order::Links> links = entry_order::LinkEntries(list);
  const std::vector<entry_order::Links> expected = {
      {1, -1},   // a root file: the first directory of level 2
      {3, 4},    // A: the next directory of its level, its first subdirectory
      {4, -1},   // A\F: the first directory of level 3
      {-1, 6},   // B: the last of level 2
      {6, 7},    // A\C
      {7, -1},   // A\C\G: the first directory of level 4
      {-1, -1},  // B\D
      {-1, -1},  // A\C\E
  };
  ASSERT_EQ(links.size(), expected.size());
  for (size_t i = 0; i < links.size(); ++i) {
    EXPECT_EQ(links[i].next, expected[i].next) << i;
    EXPECT_EQ(links[i].child, expected[i].child) << i;
  }
}

TEST(InstallList, LinesOfDirectoriesAndFilesAndTheirBuffer) {
  EXPECT_EQ(InstallListLine("DATA\\MAPS", true), "!DATA\\MAPS\r\n");
  EXPECT_EQ(InstallListLine("UMBERLAY VALE.UNS", false), "UMBERLAY VALE.UNS\r\n");

  char line[16];
  EXPECT_EQ(FormatInstallListLine("GAME", true, line, sizeof line), 7u);
  EXPECT_STREQ(line, "!GAME\r\n");
  // A line that would not fit is cut at the buffer and still terminated.
  char small[8];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(FormatInstallListLine("LONGER.NAME", false, small, 6), 5u);
  EXPECT_STREQ(small, "LONGE");
  EXPECT_EQ(small[6], '#');
  EXPECT_EQ(FormatInstallListLine("", false, small, 1), 0u);
  EXPECT_STREQ(small, "");
}
