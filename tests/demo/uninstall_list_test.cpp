// The uninstaller's list reading and path rules: what it acts on, what it
// refuses, and in which order it removes.
#include <gtest/gtest.h>

#include <string>

#include "demo/sweeper/uninstall_list.h"

namespace sweeper {
namespace {

UninstallList Parse(const std::string& text) { return ParseUninstallList(text.data(), text.size()); }

TEST(UninstallList, ReadsDirectoriesAndFilesInTheEnginesLineFormat) {
  UninstallList list = Parse(
      "VALE.EXE\r\nUMBERLAY VALE.UNS\r\n!DATA\r\n!DATA\\LEVELS\r\nDATA\\LEVELS\\L1.MAP\r\n"
      "DATA\\LEVELS\\BIG FILE_2-#.DAT\r\n");
  ASSERT_TRUE(list.refused.empty());
  ASSERT_EQ(list.entries.size(), 6u);
  EXPECT_EQ(list.entries[0].path, "VALE.EXE");
  EXPECT_FALSE(list.entries[0].isDirectory);
  EXPECT_EQ(list.entries[0].depth, 1);
  EXPECT_EQ(list.entries[1].path, "UMBERLAY VALE.UNS");
  EXPECT_EQ(list.entries[2].path, "DATA");
  EXPECT_TRUE(list.entries[2].isDirectory);
  EXPECT_EQ(list.entries[3].path, "DATA\\LEVELS");
  EXPECT_EQ(list.entries[3].depth, 2);
  EXPECT_EQ(list.entries[5].path, "DATA\\LEVELS\\BIG FILE_2-#.DAT");
  EXPECT_EQ(list.entries[5].depth, 3);
}

TEST(UninstallList, ToleratesBareNewlinesBlankLinesAndAMissingLastNewline) {
  UninstallList list = Parse("\r\nA.TXT\n\n!B\r\n\r\nB\\C.TXT");
  ASSERT_TRUE(list.refused.empty());
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].path, "A.TXT");
  EXPECT_EQ(list.entries[1].path, "B");
  EXPECT_EQ(list.entries[2].path, "B\\C.TXT");
  EXPECT_TRUE(Parse("").entries.empty());
  EXPECT_TRUE(Parse("\r\n\r\n").refused.empty());
}

TEST(UninstallList, RefusesEveryPathThatCouldReachOutsideTheDirectory) {
  struct Case {
    const char* line;
    PathVerdict verdict;
  };
  const Case cases[] = {
      {"..\\OUTSIDE.TXT", PathVerdict::DotDotComponent},
      {"!..", PathVerdict::DotDotComponent},
      {"DATA\\..\\..\\OUTSIDE.TXT", PathVerdict::DotDotComponent},
      {"DATA\\..", PathVerdict::DotDotComponent},
      {"C:\\WINDOWS\\WIN.INI", PathVerdict::HasColon},
      {"C:WIN.INI", PathVerdict::HasColon},
      {"VALE.EXE:STREAM", PathVerdict::HasColon},
      {"\\WINDOWS\\WIN.INI", PathVerdict::Absolute},
      {"\\\\SERVER\\SHARE\\X", PathVerdict::Absolute},
      {"/ETC/PASSWD", PathVerdict::Absolute},
      {"DATA/../../X", PathVerdict::HasSlash},
      {".\\VALE.EXE", PathVerdict::DotComponent},
      {"!.", PathVerdict::DotComponent},
      {"DATA\\\\X", PathVerdict::EmptyComponent},
      {"DATA\\", PathVerdict::EmptyComponent},
      {"!", PathVerdict::Empty},
      {"...\\X", PathVerdict::TrailingDotOrSpace},
      {".. \\X", PathVerdict::TrailingDotOrSpace},
      {"DATA.\\X", PathVerdict::TrailingDotOrSpace},
      {"X ", PathVerdict::TrailingDotOrSpace},
      {"A*.EXE", PathVerdict::BadCharacter},
      {"A?.EXE", PathVerdict::BadCharacter},
      {"A\tB", PathVerdict::BadCharacter},
  };
  for (const Case& c : cases) {
    UninstallList list = Parse(std::string(c.line) + "\r\n");
    EXPECT_TRUE(list.entries.empty()) << c.line;
    ASSERT_EQ(list.refused.size(), 1u) << c.line;
    EXPECT_EQ(list.refused[0].verdict, c.verdict) << c.line;
    EXPECT_EQ(list.refused[0].lineNumber, 1);
  }
}

TEST(UninstallList, RefusedLinesDoNotStopTheOthersAndKeepTheirNumbers) {
  std::string text = "A.TXT\r\n..\\B.TXT\r\n";
  text += std::string("C\0D", 3) + "\r\n";
  text += std::string(MaxRelativePathLength + 1, 'X') + "\r\n";
  text += std::string(MaxRelativePathLength, 'Y') + "\r\nE.TXT";
  UninstallList list = Parse(text);
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].path, "A.TXT");
  EXPECT_EQ(list.entries[1].path.size(), MaxRelativePathLength);
  EXPECT_EQ(list.entries[2].path, "E.TXT");
  ASSERT_EQ(list.refused.size(), 3u);
  EXPECT_EQ(list.refused[0].lineNumber, 2);
  EXPECT_EQ(list.refused[0].text, "..\\B.TXT");
  EXPECT_EQ(list.refused[1].lineNumber, 3);
  EXPECT_EQ(list.refused[1].verdict, PathVerdict::BadCharacter);
  EXPECT_EQ(list.refused[1].text, "C?D");  // shown without the zero byte
  EXPECT_EQ(list.refused[2].lineNumber, 4);
  EXPECT_EQ(list.refused[2].verdict, PathVerdict::TooLong);
}

TEST(UninstallList, RemovalOrderPutsEverythingBeforeTheDirectoryHoldingIt) {
  UninstallList list = Parse(
      "README.TXT\r\n!DATA\r\nDATA\\A.BIN\r\n!SAVES\r\n!DATA\\MAPS\r\nDATA\\MAPS\\M1.MAP\r\n"
      "!DATA\\MAPS\\OLD\r\nDATA\\MAPS\\OLD\\M0.MAP\r\nDATA\\B.BIN\r\n");
  OrderForRemoval(list.entries);
  auto position = [&](const std::string& path) {
    for (size_t i = 0; i < list.entries.size(); ++i) {
      if (list.entries[i].path == path) return static_cast<int>(i);
    }
    ADD_FAILURE() << path;
    return -1;
  };
  for (const UninstallEntry& inner : list.entries) {
    for (const UninstallEntry& outer : list.entries) {
      if (!outer.isDirectory || inner.path.size() <= outer.path.size()) continue;
      if (inner.path.compare(0, outer.path.size() + 1, outer.path + "\\") == 0) {
        EXPECT_LT(position(inner.path), position(outer.path)) << inner.path << " in " << outer.path;
      }
    }
  }
  // Stable within a depth: files keep their list order and go first.
  EXPECT_LT(position("DATA\\A.BIN"), position("DATA\\B.BIN"));
  EXPECT_LT(position("DATA\\B.BIN"), position("DATA\\MAPS"));
  EXPECT_EQ(list.entries.back().path, "SAVES");
}

TEST(InstallDirectory, AcceptsAbsoluteDirectoriesOnly) {
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\Umberlay Vale (Demo)"), PathVerdict::Safe);
  EXPECT_EQ(CheckInstallDirectory("c:/games/vale/"), PathVerdict::Safe);
  EXPECT_EQ(CheckInstallDirectory("C:\\"), PathVerdict::Safe);
  EXPECT_EQ(CheckInstallDirectory("\\\\server\\share\\Vale"), PathVerdict::Safe);
  EXPECT_EQ(CheckInstallDirectory("Games\\Vale"), PathVerdict::Absolute);
  EXPECT_EQ(CheckInstallDirectory("\\Games\\Vale"), PathVerdict::Absolute);
  EXPECT_EQ(CheckInstallDirectory("C:Games"), PathVerdict::Absolute);
  EXPECT_EQ(CheckInstallDirectory(""), PathVerdict::Absolute);
  EXPECT_EQ(CheckInstallDirectory("\\\\server"), PathVerdict::Absolute);
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\..\\Windows"), PathVerdict::DotDotComponent);
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\.. \\Windows"), PathVerdict::DotDotComponent);
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\.\\Vale"), PathVerdict::DotComponent);
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\\\Vale"), PathVerdict::EmptyComponent);
  EXPECT_EQ(CheckInstallDirectory("C:\\Games\\Vale:x"), PathVerdict::HasColon);
  EXPECT_EQ(CheckInstallDirectory("C:\\" + std::string(300, 'A')), PathVerdict::TooLong);
}

TEST(GroupFolders, GivesTheChainFromTheDeepestLevelUp) {
  std::vector<std::string> folders;
  PathVerdict verdict;
  ASSERT_TRUE(GroupFolders("Games\\Demos", &folders, &verdict));
  EXPECT_EQ(folders, (std::vector<std::string>{"Games\\Demos", "Games"}));
  ASSERT_TRUE(GroupFolders("Umberlay Vale (Demo)", &folders, &verdict));
  EXPECT_EQ(folders, (std::vector<std::string>{"Umberlay Vale (Demo)"}));
  // Empty levels name the folder before them, as when the setup made them.
  ASSERT_TRUE(GroupFolders("\\Games\\\\Demos\\", &folders, &verdict));
  EXPECT_EQ(folders, (std::vector<std::string>{"Games\\Demos", "Games"}));
  ASSERT_TRUE(GroupFolders("Games/Demos", &folders, &verdict));
  EXPECT_EQ(folders, (std::vector<std::string>{"Games\\Demos", "Games"}));
  ASSERT_TRUE(GroupFolders("", &folders, &verdict));
  EXPECT_TRUE(folders.empty());
}

TEST(GroupFolders, RefusesLevelsThatLeaveTheProgramsFolder) {
  std::vector<std::string> folders{"stale"};
  PathVerdict verdict;
  EXPECT_FALSE(GroupFolders("..\\..\\Desktop", &folders, &verdict));
  EXPECT_EQ(verdict, PathVerdict::DotDotComponent);
  EXPECT_TRUE(folders.empty());
  EXPECT_FALSE(GroupFolders("Games\\..", &folders, &verdict));
  EXPECT_FALSE(GroupFolders("C:\\Games", &folders, &verdict));
  EXPECT_EQ(verdict, PathVerdict::HasColon);
  EXPECT_FALSE(GroupFolders("Games\\.", &folders, &verdict));
  EXPECT_EQ(verdict, PathVerdict::DotComponent);
}

TEST(JoinPath, InsertsOneBackslashOnlyWhereNeeded) {
  EXPECT_EQ(JoinPath("C:\\Games", "VALE.EXE"), "C:\\Games\\VALE.EXE");
  EXPECT_EQ(JoinPath("C:\\", "VALE.EXE"), "C:\\VALE.EXE");
  EXPECT_EQ(JoinPath("C:/Games/", "VALE.EXE"), "C:/Games/VALE.EXE");
  EXPECT_EQ(JoinPath("", "VALE.EXE"), "VALE.EXE");
}

}  // namespace
}  // namespace sweeper
