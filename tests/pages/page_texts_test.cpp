// The portable logic behind the destination page: figures, path prefixes and
// message texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pages/destination_text.h"
#include "pages/kbytes_text.h"
#include "pages/path_prefixes.h"

namespace {

std::string KBytes(uint64_t bytes) {
  char text[KBytesTextSize];
  FormatKBytes(bytes, text);
  return text;
}

TEST(FormatKBytes, GroupsOfThreeBelowABillionAndTheRestWhole) {
  EXPECT_EQ(KBytes(0), "0");
  EXPECT_EQ(KBytes(1023), "0");
  EXPECT_EQ(KBytes(1024), "1");
  EXPECT_EQ(KBytes(999ull * 1024), "999");
  EXPECT_EQ(KBytes(1000ull * 1024), "1,000");
  EXPECT_EQ(KBytes(1001ull * 1024 + 1023), "1,001");
  EXPECT_EQ(KBytes(90100000), "87,988");
  EXPECT_EQ(KBytes(1000000ull * 1024), "1,000,000");
  EXPECT_EQ(KBytes(1234567ull * 1024), "1,234,567");
  EXPECT_EQ(KBytes(1000005ull * 1024), "1,000,005");
  EXPECT_EQ(KBytes(1234567890ull * 1024), "1,234,567,890");
  EXPECT_EQ(KBytes(1234567890123ull * 1024), "1234,567,890,123");
  EXPECT_EQ(KBytes(~0ull), "18014398,509,481,983");
}

// The largest count fills its buffer without running past it, and a null
// output is ignored (the call returns and the next one works as before).
TEST(FormatKBytes, LargestCountStaysInItsBufferAndNullIsIgnored) {
  char text[KBytesTextSize + 16];
  std::memset(text, '#', sizeof(text));
  FormatKBytes(~0ull, text);
  const size_t length = std::strlen(text);
  EXPECT_EQ(length, std::strlen("18014398,509,481,983"));
  EXPECT_LT(length, static_cast<size_t>(KBytesTextSize));
  for (size_t i = length + 1; i < sizeof(text); ++i) EXPECT_EQ(text[i], '#') << i;

  FormatKBytes(12345, nullptr);
  EXPECT_EQ(KBytes(12345ull * 1024), "12,345");
}

TEST(SpaceSuffices, OnlyStrictlyMoreThanTheNeedIsEnough) {
  const uint32_t need = 90100000;
  EXPECT_FALSE(SpaceSuffices(need, need)) << "equal amounts disable Next";
  EXPECT_TRUE(SpaceSuffices(uint64_t{need} + 1, need)) << "one byte more enables it";
  EXPECT_FALSE(SpaceSuffices(need - 1, need));
  EXPECT_FALSE(SpaceSuffices(0, 0));
  // Free space beyond 4 GiB is compared whole, never cut to 32 bits.
  EXPECT_TRUE(SpaceSuffices((uint64_t{1} << 32) + 5, need));
  EXPECT_TRUE(SpaceSuffices(uint64_t{1} << 40, 0xFFFFFFFFu));
}

std::string Slot(int i) { return PrefixTable[i]; }

TEST(SplitPathPrefixes, LongestPrefixFirstAndThePathItselfNever) {
  ASSERT_TRUE(SplitPathPrefixes("D:\\Games\\Umberlay Vale (Demo)"));
  ASSERT_EQ(PrefixCount, 2);
  EXPECT_EQ(Slot(0), "D:\\Games");
  EXPECT_EQ(Slot(1), "D:");
  EXPECT_EQ(Slot(2), "");

  ASSERT_TRUE(SplitPathPrefixes("D:\\Games\\"));
  ASSERT_EQ(PrefixCount, 2);
  EXPECT_EQ(Slot(0), "D:\\Games");
  EXPECT_EQ(Slot(1), "D:");

  ASSERT_TRUE(SplitPathPrefixes("\\top"));
  ASSERT_EQ(PrefixCount, 1);
  EXPECT_EQ(Slot(0), "");

  ASSERT_TRUE(SplitPathPrefixes("nobackslash"));
  EXPECT_EQ(PrefixCount, 0);
}

TEST(SplitPathPrefixes, EmptyPathAndTooDeepPathLeaveTheTableEmpty) {
  ASSERT_TRUE(SplitPathPrefixes("C:\\a\\b"));
  EXPECT_FALSE(SplitPathPrefixes(""));
  EXPECT_EQ(PrefixCount, 0);
  EXPECT_EQ(Slot(0), "");

  std::string path = "C:";
  for (int i = 0; i < 32; ++i) path += "\\d";
  ASSERT_TRUE(SplitPathPrefixes(path.c_str()));  // exactly 32 slots
  EXPECT_EQ(PrefixCount, 32);
  EXPECT_EQ(Slot(31), "C:");
  EXPECT_EQ(Slot(0), path.substr(0, path.size() - 2));

  path += "\\d";  // 33 backslashes
  EXPECT_FALSE(SplitPathPrefixes(path.c_str()));
  EXPECT_EQ(PrefixCount, 0);
  EXPECT_EQ(Slot(0), "");
}

TEST(SplitPathPrefixes, LongestPathBufferFits) {
  std::string path = "C:\\" + std::string(1010, 'a') + "\\" + std::string(10, 'b');
  ASSERT_EQ(path.size(), 1024u);
  ASSERT_TRUE(SplitPathPrefixes(path.c_str()));
  ASSERT_EQ(PrefixCount, 2);
  EXPECT_EQ(Slot(0), path.substr(0, 1013));
}

TEST(DestinationTexts, LongestPathFitsWholeInEveryMessage) {
  const std::string path(1024, 'x');
  char text[DestinationMessageSize];
  FormatCreateQuestion(path.c_str(), text, sizeof(text));
  EXPECT_EQ(std::string(text),
            "Folder\n\n" + path + "\n\ndoes not exist.\nWould you like to create new?");
  FormatCreateFailure(path.c_str(), text, sizeof(text));
  EXPECT_EQ(std::string(text),
            "It is impossible to create directory \n\n" + path + "\n\nPlease try another path.");
  FormatUnableToInstall(path.c_str(), text, sizeof(text));
  EXPECT_EQ(std::string(text), "Unable to install to \"" + path + "\"\n");
}

TEST(DestinationTexts, SmallBufferIsCutNeverOverrun) {
  char text[16];
  std::memset(text, '#', sizeof(text));
  FormatCreateFailure("C:\\Program Files\\Umberlay", text, 12);
  EXPECT_EQ(std::string(text), "It is impos");
  for (size_t i = 12; i < sizeof(text); ++i) EXPECT_EQ(text[i], '#');
}

TEST(DestinationTexts, BrowsedFolderBecomesFolderPlusProductTitle) {
  char root[] = "E:\\";
  DropTrailingBackslash(root);
  EXPECT_STREQ(root, "E:");
  char games[] = "E:\\Games";
  DropTrailingBackslash(games);
  EXPECT_STREQ(games, "E:\\Games");

  char out[1025];
  ASSERT_TRUE(ComposeBrowsedDestination(root, out, sizeof(out)));
  EXPECT_STREQ(out, "E:\\Umberlay Vale (Demo)");
  ASSERT_TRUE(ComposeBrowsedDestination(games, out, sizeof(out)));
  EXPECT_STREQ(out, "E:\\Games\\Umberlay Vale (Demo)");

  const std::string tooLong(1004, 'f');  // 1004 + 21 characters do not fit
  EXPECT_FALSE(ComposeBrowsedDestination(tooLong.c_str(), out, sizeof(out)));
  EXPECT_STREQ(out, "");
  const std::string justFits(1003, 'f');
  EXPECT_TRUE(ComposeBrowsedDestination(justFits.c_str(), out, sizeof(out)));
}

TEST(DestinationTexts, ProbeNames) {
  char out[64];
  ASSERT_TRUE(ComposeProbePath("E:", 0, out, sizeof(out)));
  EXPECT_STREQ(out, "E:\\check.fil");
  ASSERT_TRUE(ComposeProbePath("E:\\Games", 3, out, sizeof(out)));
  EXPECT_STREQ(out, "E:\\Games\\check3.fil");
  EXPECT_FALSE(ComposeProbePath("E:\\a-folder-name-longer-than-the-buffer-is", 0, out, 20));
}

}  // namespace
