// A registered installation: finding it, starting the product and running
// its configuration program, with the stand-in product programs recording
// how they were started.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "install/install_sequence.h"
#include "install/previous_install.h"
#include "shell/base/setup_state.h"
#include "tests/install/registration.h"
#include "tests/support/setup_harness.h"

namespace {

// Takes the setup's guard, then LaunchGameAndExit, in a process of its own.
constexpr char LaunchHelper[] = "launch_helper.exe";

// The default destination, with decoys in the places where an unquoted
// command line would find a program first.
const std::string InstallPath = "C:\\Program Files\\Umberlay Vale (Demo)";
const std::string Decoys[2] = {"C:\\Program.exe", "C:\\Program Files\\Umberlay.exe"};

class Registered : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveInstallationKeys();
    RemoveTree(InstallPath);
    CreateDirectoryA(InstallPath.c_str(), nullptr);
    std::memset(::Setup.ProgramGroup, 0, PathBufferSize);
  }
  void TearDown() override {
    RemoveInstallationKeys();
    RemoveTree(InstallPath);
    for (const std::string& decoy : Decoys) {
      DeleteFileA(decoy.c_str());
      DeleteFileA((decoy + ".ran").c_str());
    }
  }
  void PlaceProgram(const char* name) {
    ASSERT_TRUE(CopyTestProgram("fake_product.exe", InstallPath + "\\" + name));
  }
  void PlaceDecoys() {
    for (const std::string& decoy : Decoys) {
      ASSERT_TRUE(CopyTestProgram("fake_product.exe", decoy));
    }
  }
  void ExpectDecoysUntouched() {
    for (const std::string& decoy : Decoys) {
      EXPECT_FALSE(PathExists(decoy + ".ran")) << decoy << " was started";
    }
  }
};

}  // namespace

TEST_F(Registered, FoundWithAllThreeValuesAndTheUninstaller) {
  PlaceProgram("Sweeper.exe");
  RegisterInstallation(InstallPath, "Games\\Demos");
  EXPECT_TRUE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "Games\\Demos");
  // The product's executable is not looked for.
  EXPECT_FALSE(PathExists(InstallPath + "\\Vale.exe"));
}

TEST_F(Registered, NotFoundWithoutTheUninstallerButTheGroupIsTaken) {
  RegisterInstallation(InstallPath, "My Group");
  EXPECT_FALSE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "My Group");
}

TEST_F(Registered, NotFoundWhileTheUninstallerIsHeldOpen) {
  PlaceProgram("Sweeper.exe");
  RegisterInstallation(InstallPath, "Games");
  std::string uninstaller = InstallPath + "\\Sweeper.exe";
  HANDLE held = CreateFileA(uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists(uninstaller.c_str()));
  EXPECT_FALSE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "Games");
  CloseHandle(held);
  EXPECT_TRUE(FileExists(uninstaller.c_str()));
  EXPECT_TRUE(FindPreviousInstall());
}

TEST_F(Registered, NotFoundWithoutChecksumOrKey) {
  EXPECT_FALSE(FindPreviousInstall());
  PlaceProgram("Sweeper.exe");
  RegisterInstallation(InstallPath, "Games", false);
  EXPECT_FALSE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "");
}

TEST_F(Registered, OverlongValuesAreNotFoundAndNothingOverruns) {
  PlaceProgram("Sweeper.exe");
  RegisterInstallation(InstallPath, std::string(1100, 'g'));
  EXPECT_FALSE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "");

  // A directory that fits its buffer, but not with "\Sweeper.exe" behind it.
  RegisterInstallation("C:\\" + std::string(1020, 'd'), "Games");
  EXPECT_FALSE(FindPreviousInstall());
  EXPECT_STREQ(::Setup.ProgramGroup, "Games");
}

TEST_F(Registered, ConfigToolRunsByFullPathInTheRegisteredDirectoryAndIsWaitedFor) {
  PlaceProgram("config.exe");
  PlaceDecoys();
  RegisterInstallation(InstallPath, "Games");
  ::Setup.MainWindow = CreateWindowA("STATIC", "backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  SetCurrentDirectoryA("C:\\");
  RunConfigTool();

  std::string marker = ReadWholeFile(InstallPath + "\\config.exe.ran");
  EXPECT_NE(marker.find("program=" + InstallPath + "\\config.exe\n"), std::string::npos)
      << marker;
  EXPECT_NE(marker.find("cwd=" + InstallPath + "\n"), std::string::npos) << marker;
  EXPECT_NE(marker.find("finished"), std::string::npos) << "the setup did not wait for its end";
  ExpectDecoysUntouched();
  EXPECT_TRUE(IsZoomed(::Setup.MainWindow));
  DestroyWindow(::Setup.MainWindow);
  ::Setup.MainWindow = nullptr;
}

TEST_F(Registered, ConfigToolWithoutRegistrationLeavesTheBackdropAlone) {
  ::Setup.MainWindow = CreateWindowA("STATIC", "backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  RunConfigTool();
  EXPECT_FALSE(IsIconic(::Setup.MainWindow));
  EXPECT_FALSE(IsZoomed(::Setup.MainWindow));

  // Registered, but the program is missing: the backdrop comes back.
  RegisterInstallation(InstallPath, "Games");
  RunConfigTool();
  EXPECT_TRUE(IsZoomed(::Setup.MainWindow));
  DestroyWindow(::Setup.MainWindow);
  ::Setup.MainWindow = nullptr;
}

TEST_F(Registered, RunAndWaitReportsWhetherTheProgramRan) {
  EXPECT_EQ(RunAndWait((InstallPath + "\\missing.exe").c_str(), nullptr), 0);
  PlaceProgram("Sweeper.exe");
  EXPECT_EQ(RunAndWait((InstallPath + "\\Sweeper.exe").c_str(), "C:\\"), 1);
  std::string marker = ReadWholeFile(InstallPath + "\\Sweeper.exe.ran");
  EXPECT_NE(marker.find("cwd=C:\\\n"), std::string::npos) << marker;
  EXPECT_NE(marker.find("cmdline=\"" + InstallPath + "\\Sweeper.exe\"\n"), std::string::npos)
      << marker;
  EXPECT_NE(marker.find("finished"), std::string::npos);
}

TEST_F(Registered, LaunchStartsTheProductAfterGivingUpTheGuard) {
  PlaceProgram("Vale.exe");
  PlaceDecoys();
  RegisterInstallation(InstallPath, "Games");
  ChildRun run = RunChild(HelperCommand(LaunchHelper, ""));
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
  EXPECT_TRUE(run.boxes.empty());
  std::string markerPath = InstallPath + "\\Vale.exe.ran";
  ASSERT_TRUE(WaitForFile(markerPath, 30));
  // Let the product finish writing.
  for (int i = 0; i < 100 && ReadWholeFile(markerPath).find("finished") == std::string::npos; ++i) {
    Sleep(50);
  }
  std::string marker = ReadWholeFile(markerPath);
  EXPECT_NE(marker.find("program=" + InstallPath + "\\Vale.exe\n"), std::string::npos) << marker;
  EXPECT_NE(marker.find("cwd=" + InstallPath + "\n"), std::string::npos) << marker;
  EXPECT_NE(marker.find("mutex=absent"), std::string::npos) << marker;
  ExpectDecoysUntouched();
}

TEST_F(Registered, LaunchWithoutRegistrationEndsSilently) {
  PlaceProgram("Vale.exe");
  ChildRun run = RunChild(HelperCommand(LaunchHelper, ""));
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
  EXPECT_TRUE(run.boxes.empty());
  Sleep(300);
  EXPECT_FALSE(PathExists(InstallPath + "\\Vale.exe.ran"));
}

TEST_F(Registered, DirectoryEndingInABackslashIsFoundAndUsed) {
  PlaceProgram("Sweeper.exe");
  PlaceProgram("config.exe");
  PlaceProgram("Vale.exe");
  RegisterInstallation(InstallPath + "\\", "Games");
  EXPECT_TRUE(FindPreviousInstall()) << "the uninstaller is found below the directory";

  ::Setup.MainWindow = CreateWindowA("STATIC", "backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  SetCurrentDirectoryA("C:\\");
  RunConfigTool();
  const std::string config = ReadWholeFile(InstallPath + "\\config.exe.ran");
  EXPECT_NE(config.find("cwd=" + InstallPath), std::string::npos) << config;
  EXPECT_NE(config.find("finished"), std::string::npos) << config;
  DestroyWindow(::Setup.MainWindow);
  ::Setup.MainWindow = nullptr;

  ChildRun run = RunChild(HelperCommand(LaunchHelper, ""));
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
  EXPECT_TRUE(run.boxes.empty());
  ASSERT_TRUE(WaitForFile(InstallPath + "\\Vale.exe.ran", 30)) << "the product was not started";
}

TEST_F(Registered, ConfigToolThatNeverBecomesIdleIsStillWaitedFor) {
  // The wait for input idleness gives up after 3,000 ms; the wait for the
  // end does not.
  PlaceProgram("config.exe");
  WriteWholeFile(InstallPath + "\\config.exe.busy", "");
  RegisterInstallation(InstallPath, "Games");
  EXPECT_EQ(RunAndWait((InstallPath + "\\config.exe").c_str(), InstallPath.c_str()), 1);
  const std::string marker = ReadWholeFile(InstallPath + "\\config.exe.ran");
  EXPECT_NE(marker.find("finished"), std::string::npos) << "came back before the program ended";

  DeleteFileA((InstallPath + "\\config.exe.ran").c_str());
  ::Setup.MainWindow = CreateWindowA("STATIC", "backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr);
  RunConfigTool();
  EXPECT_NE(ReadWholeFile(InstallPath + "\\config.exe.ran").find("finished"), std::string::npos);
  EXPECT_TRUE(IsZoomed(::Setup.MainWindow));
  DestroyWindow(::Setup.MainWindow);
  ::Setup.MainWindow = nullptr;
}

TEST_F(Registered, LaunchWithTheProductMissingEndsSilentlyAndStartsNothingElse) {
  PlaceProgram("Sweeper.exe");  // registered and present, but Vale.exe is gone
  PlaceDecoys();
  RegisterInstallation(InstallPath, "Games");
  ChildRun run = RunChild(HelperCommand(LaunchHelper, ""));
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0xFFFFFFFFu);
  EXPECT_TRUE(run.boxes.empty());
  Sleep(300);
  ExpectDecoysUntouched();
  EXPECT_FALSE(PathExists(InstallPath + "\\Vale.exe.ran"));
}

// DirectDraw's probe. The platform's library pins itself once loaded, so
// whether the probe frees it again is seen with a stand-in library that does
// not; each case needs its own DLL overrides and is registered as a run of
// its own, skipping elsewhere.
bool OverridesSay(const char* setting) {
  char overrides[1024] = {0};
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
  return std::strstr(overrides, setting) != nullptr;
}

TEST(DirectDraw, ProbeFindsThePlatformLibrary) {
  if (OverridesSay("ddraw=")) GTEST_SKIP() << "DirectDraw overridden";
  EXPECT_TRUE(HasDirectDraw());
}

TEST(DirectDraw, ProbeFailsWhenTheLibraryIsDisabled) {
  if (!OverridesSay("ddraw=d")) GTEST_SKIP() << "needs WINEDLLOVERRIDES ddraw=d";
  EXPECT_FALSE(HasDirectDraw());
  EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
}

TEST(DirectDraw, ProbeFreesTheLibraryAgain) {
  if (!OverridesSay("ddraw=n")) GTEST_SKIP() << "needs WINEDLLOVERRIDES ddraw=n";
  std::string directory = FreshDirectory("ddraw");
  ASSERT_TRUE(CopyTestProgram("fake_ddraw.dll", directory + "\\DDRAW.DLL"));
  SetDllDirectoryA(directory.c_str());
  EXPECT_TRUE(HasDirectDraw());
  EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr) << "the probe left the library loaded";
  SetDllDirectoryA(nullptr);
  RemoveTree(directory);
}
