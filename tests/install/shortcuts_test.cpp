// Shell shortcuts: the start-menu group chain and its four shortcuts, the
// desktop shortcut, each read back through the shell-link object.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "install/shortcuts.h"
#include "shell/base/setup_state.h"
#include "tests/support/setup_harness.h"

namespace {

const char* const LinkNames[4] = {"Umberlay Vale (Demo)", "Umberlay Vale (Demo) CONFIGURATION",
                                  "UNINSTALL Umberlay Vale (Demo)", "README"};
const char* const TargetFiles[4] = {"Vale.exe", "config.exe", "Sweeper.exe", "ReadMe.txt"};

int CountLinks(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA entry;
  HANDLE walk = FindFirstFileA((folder + "\\*.lnk").c_str(), &entry);
  if (walk == INVALID_HANDLE_VALUE) return 0;
  do ++count; while (FindNextFileA(walk, &entry));
  FindClose(walk);
  return count;
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    programs_ = SpecialFolder(CSIDL_PROGRAMS);
    ASSERT_FALSE(programs_.empty());
    RemoveFromPrograms();
  }
  void TearDown() override { RemoveFromPrograms(); }

  void RemoveFromPrograms() {
    for (const char* name : {"Games", "Lead", "Umberlay Vale (Demo)"}) {
      RemoveTree(programs_ + "\\" + name);
    }
    for (const char* link : LinkNames) DeleteFileA((programs_ + "\\" + link + ".lnk").c_str());
  }

  void Install(const char* installDir, const char* group) {
    std::strcpy(::Setup.InstallDir, installDir);
    std::strcpy(::Setup.ProgramGroup, group);
    CreateStartMenuShortcuts();
    EXPECT_STREQ(::Setup.ProgramGroup, group) << "the group itself keeps its text";
  }

  // Every link of the table in folder, with its target, description and
  // working directory.
  void ExpectFourLinks(const std::string& folder, const std::string& targetDir,
                       const std::string& workingDir) {
    for (int i = 0; i < 4; ++i) {
      LoadedLink link = LoadLink(folder + "\\" + LinkNames[i] + ".lnk");
      ASSERT_TRUE(link.loaded) << folder << " " << LinkNames[i];
      EXPECT_EQ(link.target, targetDir + TargetFiles[i]);
      EXPECT_EQ(link.description, LinkNames[i]);
      EXPECT_EQ(link.workingDirectory, workingDir);
    }
    EXPECT_EQ(CountLinks(folder), 4);
  }

  std::string programs_;
};

}  // namespace

TEST(AppendPath, InsertsOneSeparatorOnlyWhenNeeded) {
  PathBuffer path = "C:\\Games";
  EXPECT_TRUE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_STREQ(path, "C:\\Games\\Vale.exe");
  std::strcpy(path, "C:\\Games\\");
  EXPECT_TRUE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_STREQ(path, "C:\\Games\\Vale.exe");
  std::strcpy(path, "C:/Games/");
  EXPECT_TRUE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_STREQ(path, "C:/Games/Vale.exe");
  std::strcpy(path, "");
  EXPECT_TRUE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_STREQ(path, "Vale.exe");
  std::strcpy(path, "C:\\Games");
  EXPECT_TRUE(AppendPathComponent(path, "\\Vale.exe"));
  EXPECT_STREQ(path, "C:\\Games\\\\Vale.exe") << "a component keeps its own backslash";
}

TEST(AppendPath, RefusesWhatWouldNotFitAndLeavesThePath) {
  PathBuffer path;
  std::string fits(1024 - 9, 'a');  // + "\Vale.exe" = 1024 characters
  std::strcpy(path, fits.c_str());
  EXPECT_TRUE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_EQ(std::strlen(path), 1024u);

  std::string tooLong(1023, 'a');
  std::strcpy(path, tooLong.c_str());
  path[1024] = '#';
  EXPECT_FALSE(AppendPathComponent(path, "Vale.exe"));
  EXPECT_EQ(std::string(path), tooLong);
  EXPECT_EQ(path[1024], '#');
}

TEST_F(Shortcuts, GroupChainWithFourLinksInItsLastLevel) {
  Install("C:\\setup-tests\\Games\\", "Games\\Demos");
  EXPECT_TRUE(PathExists(programs_ + "\\Games"));
  ExpectFourLinks(programs_ + "\\Games\\Demos", "C:\\setup-tests\\Games\\",
                  "C:\\setup-tests\\Games\\");
  EXPECT_EQ(CountLinks(programs_ + "\\Games"), 0);

  // Again with the same group: the levels are accepted, the links rewritten.
  Install("D:\\Elsewhere", "Games\\Demos");
  ExpectFourLinks(programs_ + "\\Games\\Demos", "D:\\Elsewhere\\", "D:\\Elsewhere");
}

TEST_F(Shortcuts, EmptyGroupPutsTheLinksIntoThePrograms) {
  Install("C:\\Umberlay", "");
  ExpectFourLinks(programs_, "C:\\Umberlay\\", "C:\\Umberlay");
}

TEST_F(Shortcuts, EmptyLevelsFromLeadingTrailingAndDoubledBackslashes) {
  Install("C:\\Umberlay", "\\Lead\\\\Double\\");
  ExpectFourLinks(programs_ + "\\Lead\\Double", "C:\\Umberlay\\", "C:\\Umberlay");
}

TEST_F(Shortcuts, InstallDirEndingInSlashGetsNoSecondSeparator) {
  Install("C:/Umberlay/", "Games");
  LoadedLink link = LoadLink(programs_ + "\\Games\\README.lnk");
  ASSERT_TRUE(link.loaded);
  std::string target = link.target;
  for (char& c : target) if (c == '/') c = '\\';
  EXPECT_EQ(target, "C:\\Umberlay\\ReadMe.txt");
}

TEST_F(Shortcuts, LevelRefusedByTheFileSystemEndsTheWorkWithoutLinks) {
  Install("C:\\Umberlay", "Games\\Bad|Name\\Demos");
  EXPECT_TRUE(PathExists(programs_ + "\\Games"));
  EXPECT_EQ(CountLinks(programs_ + "\\Games"), 0);
  EXPECT_FALSE(PathExists(programs_ + "\\Games\\Bad|Name"));
  EXPECT_EQ(CountLinks(programs_), 0);
}

TEST_F(Shortcuts, GroupAndDirectoryInTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs the Western code page";
  // Letters beyond ASCII in code page 1252: a and o with umlaut, sharp s.
  Install("C:\\K\xf6nig", "Games\\Sp\xe4\xdf" "e");
  ExpectFourLinks(programs_ + "\\Games\\Sp\xe4\xdf" "e", "C:\\K\xf6nig\\", "C:\\K\xf6nig");
}

TEST_F(Shortcuts, PathsThatWouldNotFitAreSkipped) {
  std::string longDir = "C:\\" + std::string(1020, 'd');  // 1,023 characters
  Install(longDir.c_str(), "Games");
  EXPECT_EQ(CountLinks(programs_ + "\\Games"), 0);

  std::string longGroup(1000, 'g');
  Install("C:\\Umberlay", longGroup.c_str());
  EXPECT_EQ(CountLinks(programs_), 0);
}

TEST(DesktopShortcut, WritesTheNamedLinkOnTheDesktop) {
  std::string desktop = SpecialFolder(CSIDL_DESKTOP);
  ASSERT_FALSE(desktop.empty());
  std::string linkPath = desktop + "\\Umberlay Vale (Demo).lnk";
  DeleteFileA(linkPath.c_str());
  std::strcpy(::Setup.InstallDir, "C:\\Umberlay\\");
  CreateDesktopShortcut("C:\\Umberlay\\\\Vale.exe", "Umberlay Vale (Demo)");
  LoadedLink link = LoadLink(linkPath);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.description, "Umberlay Vale (Demo)");
  EXPECT_EQ(link.workingDirectory, "C:\\Umberlay\\");
  EXPECT_NE(link.target.find("Vale.exe"), std::string::npos);
  DeleteFileA(linkPath.c_str());

  // A name that makes the link path too long writes nothing.
  int before = CountLinks(desktop);
  std::string longName(1020, 'n');
  CreateDesktopShortcut("C:\\Umberlay\\Vale.exe", longName.c_str());
  EXPECT_EQ(CountLinks(desktop), before);
}
