// Sweeper.exe on a small installation made as the setup leaves one,
// confirmed and answered through its message boxes as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fake_install.h"
#include "window_driver.h"

namespace {

constexpr char BoxCaption[] = "Uninstall Umberlay Vale (Demo)";

struct SweeperRun {
  DWORD originalExit = 0xDEAD;
  DWORD finalExit = 0xDEAD;
  std::string question;
  std::string report;
  DWORD originalId = 0;
  std::string debug;
};

// Starts the installed Sweeper.exe from the installation folder, answers
// its question and, after Yes, the final report of the copy that does the
// work, and waits for both to end.
void RunSweeper(const fake::Installation& installation, bool answerYes, SweeperRun* run) {
  driver::Process original;
  ASSERT_TRUE(driver::Start(installation.installDir + "\\SWEEPER.EXE", "", installation.installDir, &original));
  run->originalId = original.id;
  HWND question = driver::WaitForWindow("#32770", BoxCaption, original.id);
  ASSERT_NE(question, nullptr) << "no confirmation box";
  run->question = driver::MessageBoxText(question);
  ASSERT_TRUE(driver::Click(question, answerYes ? IDYES : IDNO));
  ASSERT_TRUE(driver::WaitForExit(original, &run->originalExit));
  driver::Close(original);
  if (!answerYes) return;

  HWND report = driver::WaitForWindow("#32770", BoxCaption);
  ASSERT_NE(report, nullptr) << "no final report";
  run->report = driver::MessageBoxText(report);
  driver::Process worker;
  worker.id = driver::WindowProcess(report);
  worker.handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, worker.id);
  ASSERT_NE(worker.handle, nullptr);
  ASSERT_TRUE(driver::Click(report, IDOK));
  ASSERT_TRUE(driver::WaitForExit(worker, &run->finalExit));
  driver::Close(worker);
}

std::string TempCopyPath(DWORD originalId) {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "Sweeper-" + std::to_string(originalId) + ".exe";
}

bool WaitUntilFileGone(const std::string& path) {
  for (int i = 0; i < 200 && driver::PathExists(path); ++i) Sleep(50);
  return !driver::PathExists(path);
}

void ExpectShortcutsGone(const fake::Installation& installation) {
  for (const std::string& link : fake::ShortcutFiles(installation)) {
    EXPECT_FALSE(driver::PathExists(link)) << link;
  }
}

void ExpectShortcutsPresent(const fake::Installation& installation) {
  for (const std::string& link : fake::ShortcutFiles(installation)) {
    EXPECT_TRUE(driver::PathExists(link)) << link;
  }
}

void ExpectKeysGone() {
  EXPECT_FALSE(win32ui::RegistryKeyExists(fake::ProductKey));
  EXPECT_FALSE(win32ui::RegistryKeyExists(fake::MakerKey));
  EXPECT_FALSE(win32ui::RegistryKeyExists(fake::UninstallKey));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Sweeper, RemovesTheProductButKeepsWhatTheUserAdded) {
  fake::Installation installation = fake::Install("user-files", "Umberlay Test\\Demos");
  ASSERT_TRUE(driver::WriteWholeFile(installation.installDir + "\\MY NOTES.TXT", "mine\r\n"));
  ASSERT_TRUE(driver::WriteWholeFile(installation.installDir + "\\SAVES\\MY GAME.SAV", "mine\r\n"));

  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_TRUE(Contains(run.question, "Umberlay Vale (Demo)")) << run.question;
  EXPECT_EQ(run.originalExit, 0u);
  EXPECT_EQ(run.finalExit, 0u) << run.report;
  EXPECT_TRUE(Contains(run.report, "was removed from your computer")) << run.report;
  EXPECT_TRUE(Contains(run.report, installation.installDir + "\\SAVES")) << run.report;

  // Only the user's files are left, with the folders that hold them.
  EXPECT_EQ(driver::ListTree(installation.installDir),
            (std::vector<std::string>{"MY NOTES.TXT", "SAVES\\", "SAVES\\MY GAME.SAV"}));
  ExpectShortcutsGone(installation);
  EXPECT_FALSE(driver::PathExists(fake::ProgramsFolder() + "\\Umberlay Test")) << "empty group folders stay";
  ExpectKeysGone();
  EXPECT_TRUE(WaitUntilFileGone(TempCopyPath(run.originalId))) << "the temporary copy stays";
  fake::CleanUp(installation);
}

TEST(Sweeper, LeavesNothingOfACleanInstallationAndSparesItsNeighbours) {
  fake::Installation installation = fake::Install("clean", "Umberlay Test\\Demos");
  // Another program's group beside ours and another product of the maker.
  std::string neighbourGroup = fake::ProgramsFolder() + "\\Umberlay Test\\Other Game";
  CreateDirectoryA(neighbourGroup.c_str(), nullptr);
  ASSERT_TRUE(driver::WriteWholeFile(neighbourGroup + "\\Other Game.lnk", "link"));
  std::string neighbourKey = std::string(fake::MakerKey) + "\\Other Game";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, neighbourKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);

  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_EQ(run.finalExit, 0u) << run.report << run.debug;
  EXPECT_FALSE(driver::PathExists(installation.installDir));
  EXPECT_TRUE(driver::ListTree(installation.root).empty());
  ExpectShortcutsGone(installation);
  EXPECT_FALSE(driver::PathExists(installation.groupDir));
  EXPECT_TRUE(driver::PathExists(neighbourGroup + "\\Other Game.lnk"));
  EXPECT_FALSE(win32ui::RegistryKeyExists(fake::ProductKey));
  EXPECT_FALSE(win32ui::RegistryKeyExists(fake::UninstallKey));
  EXPECT_TRUE(win32ui::RegistryKeyExists(neighbourKey.c_str()));

  RegDeleteKeyA(HKEY_LOCAL_MACHINE, neighbourKey.c_str());
  fake::CleanUp(installation);
}

TEST(Sweeper, TamperedListRemovesNothingOutsideTheDirectory) {
  fake::Installation installation = fake::Install(
      "tampered", "Umberlay Test",
      {"..\\OUTSIDE.TXT", "!..\\VICTIM", "..\\VICTIM\\KEEP.TXT", "!..", "!.",
       "C:\\demo-tests\\tampered\\OUTSIDE.TXT", "\\demo-tests\\tampered\\OUTSIDE.TXT",
       "DATA\\..\\..\\OUTSIDE.TXT", "DATA/../../OUTSIDE.TXT", "...\\OUTSIDE.TXT", ".. \\OUTSIDE.TXT",
       "..\\..\\tampered-outside.txt", "\\\\?\\C:\\demo-tests\\tampered-outside.txt"});
  ASSERT_TRUE(driver::WriteWholeFile(installation.root + "\\OUTSIDE.TXT", "not the product's\r\n"));
  CreateDirectoryA((installation.root + "\\VICTIM").c_str(), nullptr);
  ASSERT_TRUE(driver::WriteWholeFile(installation.root + "\\VICTIM\\KEEP.TXT", "not the product's\r\n"));
  ASSERT_TRUE(driver::WriteWholeFile("C:\\demo-tests\\tampered-outside.txt", "not the product's\r\n"));

  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_EQ(run.finalExit, 1u) << run.report;
  EXPECT_TRUE(Contains(run.report, "were ignored")) << run.report;
  EXPECT_TRUE(Contains(run.report, "..\\OUTSIDE.TXT")) << run.report;

  EXPECT_EQ(driver::ListTree(installation.root),
            (std::vector<std::string>{"OUTSIDE.TXT", "VICTIM\\", "VICTIM\\KEEP.TXT"}));
  EXPECT_TRUE(driver::PathExists("C:\\demo-tests\\tampered-outside.txt"));
  ExpectShortcutsGone(installation);
  ExpectKeysGone();
  DeleteFileA("C:\\demo-tests\\tampered-outside.txt");
  fake::CleanUp(installation);
}

TEST(Sweeper, ReportsWhatItCouldNotRemove) {
  fake::Installation installation = fake::Install("in-use", "Umberlay Test");
  // A file held open without sharing, as by a program still running.
  std::string busy = installation.installDir + "\\DATA\\LEVELS\\L1.MAP";
  HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  CloseHandle(held);
  EXPECT_EQ(run.finalExit, 1u) << run.report;
  EXPECT_TRUE(Contains(run.report, "could not be removed")) << run.report;
  EXPECT_TRUE(Contains(run.report, busy + " (error")) << run.report;
  EXPECT_EQ(driver::ListTree(installation.installDir),
            (std::vector<std::string>{"DATA\\", "DATA\\LEVELS\\", "DATA\\LEVELS\\L1.MAP"}));
  ExpectShortcutsGone(installation);
  ExpectKeysGone();
  fake::CleanUp(installation);
}

TEST(Sweeper, ChangesNothingWhenTheUserSaysNo) {
  fake::Installation installation = fake::Install("declined", "Umberlay Test");
  std::vector<std::string> before = driver::ListTree(installation.installDir);
  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, false, &run));
  EXPECT_EQ(run.originalExit, 2u);
  EXPECT_EQ(driver::ListTree(installation.installDir), before);
  ExpectShortcutsPresent(installation);
  EXPECT_TRUE(win32ui::RegistryKeyExists(fake::ProductKey));
  EXPECT_TRUE(win32ui::RegistryKeyExists(fake::UninstallKey));

  // The switch its temporary copy gets, typed by hand with a value that is
  // no process handle, does not skip the question.
  driver::Process typed;
  ASSERT_TRUE(driver::Start(installation.installDir + "\\SWEEPER.EXE", "/finish 7ffffff0", installation.installDir,
                            &typed));
  HWND question = driver::WaitForWindow("#32770", BoxCaption, typed.id);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(driver::Click(question, IDNO));
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(typed, &code));
  driver::Close(typed);
  EXPECT_EQ(code, 2u);
  EXPECT_EQ(driver::ListTree(installation.installDir), before);
  fake::CleanUp(installation);
}

TEST(Sweeper, ChangesNothingWithoutAUsableRegistrationOrList) {
  fake::Installation installation = fake::Install("unusable", "Umberlay Test");
  std::vector<std::string> before = driver::ListTree(installation.installDir);

  // A relative directory would resolve against wherever the uninstaller runs.
  fake::WriteRegistry("demo-tests\\unusable\\Umberlay Vale (Demo)", installation.group);
  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_EQ(run.finalExit, 1u);
  EXPECT_TRUE(Contains(run.report, "Nothing was changed.")) << run.report;
  EXPECT_EQ(driver::ListTree(installation.installDir), before);
  ExpectShortcutsPresent(installation);
  EXPECT_TRUE(win32ui::RegistryKeyExists(fake::ProductKey));

  // Without its list the uninstaller cannot tell the product's files.
  fake::WriteRegistry(installation.installDir, installation.group);
  ASSERT_TRUE(DeleteFileA((installation.installDir + "\\UMBERLAY VALE.UNS").c_str()));
  before = driver::ListTree(installation.installDir);
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_EQ(run.finalExit, 1u);
  EXPECT_TRUE(Contains(run.report, "UMBERLAY VALE.UNS could not be read")) << run.report;
  EXPECT_EQ(driver::ListTree(installation.installDir), before);
  ExpectShortcutsPresent(installation);
  EXPECT_TRUE(win32ui::RegistryKeyExists(fake::UninstallKey));
  fake::CleanUp(installation);
}

}  // namespace

namespace {

// Sets TMP and TEMP for the programs this test starts, and puts them back.
class TemporaryFolderOverride {
 public:
  explicit TemporaryFolderOverride(const char* folder) {
    for (int i = 0; i < 2; ++i) {
      char value[MAX_PATH + 1] = {};
      had_[i] = GetEnvironmentVariableA(Names[i], value, sizeof value) > 0;
      saved_[i] = value;
      SetEnvironmentVariableA(Names[i], folder);
    }
  }
  ~TemporaryFolderOverride() {
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(Names[i], had_[i] ? saved_[i].c_str() : nullptr);
  }

 private:
  static constexpr const char* Names[2] = {"TMP", "TEMP"};
  bool had_[2];
  std::string saved_[2];
};

TEST(Sweeper, WorksFromTheInstallationWhenNoCopyCanRun) {
  fake::Installation installation = fake::Install("in-place", "Umberlay Test");
  driver::Process original;
  {
    TemporaryFolderOverride noTemp("C:\\demo-tests\\no such folder\\");
    ASSERT_TRUE(driver::Start(installation.installDir + "\\SWEEPER.EXE", "", installation.installDir, &original));
  }
  HWND question = driver::WaitForWindow("#32770", BoxCaption, original.id);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(driver::Click(question, IDYES));
  ASSERT_TRUE(driver::WaitUntilGone(question));
  // The report now comes from the original itself.
  HWND report = driver::WaitForWindow("#32770", BoxCaption, original.id);
  ASSERT_NE(report, nullptr);
  std::string text = driver::MessageBoxText(report);
  ASSERT_TRUE(driver::Click(report, IDOK));
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(original, &code));
  driver::Close(original);

  EXPECT_EQ(code, 0u) << text;
  // Whether the platform lets a running program's file go or keeps it until
  // the next restart, nothing else of the product is left.
  std::vector<std::string> left = driver::ListTree(installation.installDir);
  EXPECT_TRUE(left.empty() || left == std::vector<std::string>{"SWEEPER.EXE"}) << text;
  if (!left.empty()) {
    EXPECT_TRUE(Contains(text, "will be removed when Windows restarts")) << text;
  }
  ExpectShortcutsGone(installation);
  ExpectKeysGone();
  fake::CleanUp(installation);
}

}  // namespace

namespace {

// Run by uninstall_after_install.sh after a real installation of setup.exe
// with the default payload, in a prefix of its own: the uninstaller that
// the installation carries removes all of it but a file the user added.
TEST(SweeperAfterInstall, LeavesNothingOfTheProductButTheUsersFile) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fake::ProductKey, 0, KEY_READ, &key), ERROR_SUCCESS)
      << "no installation to remove";
  char pth[2050] = {}, grp[2050] = {};
  DWORD size = sizeof pth - 2;
  RegQueryValueExA(key, "pth", nullptr, nullptr, reinterpret_cast<BYTE*>(pth), &size);
  size = sizeof grp - 2;
  RegQueryValueExA(key, "grp", nullptr, nullptr, reinterpret_cast<BYTE*>(grp), &size);
  RegCloseKey(key);

  fake::Installation installation;
  installation.installDir = pth;
  while (installation.installDir.size() > 3 && installation.installDir.back() == '\\') {
    installation.installDir.pop_back();
  }
  installation.group = grp;
  installation.groupDir = fake::ProgramsFolder() + "\\" + installation.group;
  installation.desktopLink = fake::DesktopFolder() + "\\Umberlay Vale (Demo).lnk";
  ASSERT_TRUE(driver::PathExists(installation.installDir + "\\UMBERLAY VALE.UNS")) << installation.installDir;
  ASSERT_TRUE(driver::PathExists(installation.groupDir + "\\README.lnk")) << installation.groupDir;
  size_t installed = driver::ListTree(installation.installDir).size();
  ASSERT_TRUE(driver::WriteWholeFile(installation.installDir + "\\MY NOTES.TXT", "mine\r\n"));

  SweeperRun run;
  ASSERT_NO_FATAL_FAILURE(RunSweeper(installation, true, &run));
  EXPECT_EQ(run.finalExit, 0u) << run.report;
  std::printf("uninstall report:\n%s\n", run.report.c_str());
  std::printf("entries before: %u\n", static_cast<unsigned>(installed));

  EXPECT_EQ(driver::ListTree(installation.installDir), std::vector<std::string>{"MY NOTES.TXT"});
  ExpectShortcutsGone(installation);
  // Every level of the group goes: the installation made them all.
  std::string level = installation.group.substr(0, installation.group.find('\\'));
  EXPECT_FALSE(driver::PathExists(fake::ProgramsFolder() + "\\" + level)) << level;
  ExpectKeysGone();
  EXPECT_TRUE(WaitUntilFileGone(TempCopyPath(run.originalId)));
}

}  // namespace
