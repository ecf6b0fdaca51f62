// Vale.exe and config.exe run from a scratch folder, driven like a user.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "window_driver.h"

namespace {

constexpr char ConfigCaption[] = "Umberlay Vale (Demo) Configuration";
constexpr int ResolutionBox = 1001, DetailBox = 1002, SoundBox = 1003, MusicBox = 1004;

// A fresh folder C:\demo-tests\<name> holding a copy of one program.
std::string PrepareFolder(const std::string& name, const char* program) {
  CreateDirectoryA("C:\\demo-tests", nullptr);
  std::string folder = "C:\\demo-tests\\" + name;
  driver::RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  CopyFileA((driver::ProgramsDir + "\\" + program).c_str(), (folder + "\\" + program).c_str(), FALSE);
  return folder;
}

bool HasItemStartingWith(const std::vector<std::string>& items, const std::string& start) {
  return std::any_of(items.begin(), items.end(),
                     [&](const std::string& item) { return item.compare(0, start.size(), start) == 0; });
}

TEST(Vale, ShowsItsFilesAndClosesOnAKey) {
  std::string folder = PrepareFolder("vale", "Vale.exe");
  CreateDirectoryA((folder + "\\DATA").c_str(), nullptr);
  ASSERT_TRUE(driver::WriteWholeFile(folder + "\\MARKER.DAT", "12345"));
  driver::Process vale;
  ASSERT_TRUE(driver::Start(folder + "\\Vale.exe", "", folder, &vale));
  HWND window = driver::WaitForWindow("UmberlayValeWindow", "Umberlay Vale (Demo)", vale.id);
  ASSERT_NE(window, nullptr);

  HWND list = GetDlgItem(window, 100);
  ASSERT_NE(list, nullptr);
  std::vector<std::string> items = driver::ListBoxItems(list);
  EXPECT_TRUE(HasItemStartingWith(items, "DATA\\")) << items.size();
  EXPECT_TRUE(HasItemStartingWith(items, "MARKER.DAT\t5 bytes"));
  EXPECT_TRUE(HasItemStartingWith(items, "Vale.exe\t"));

  PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  DWORD code = 0xDEAD;
  EXPECT_TRUE(driver::WaitForExit(vale, &code));
  EXPECT_EQ(code, 0u);
  driver::Close(vale);
  driver::RemoveTree(folder);
}

TEST(Vale, ClosesOnTheCloseBox) {
  std::string folder = PrepareFolder("vale-close", "Vale.exe");
  driver::Process vale;
  ASSERT_TRUE(driver::Start(folder + "\\Vale.exe", "", folder, &vale));
  HWND window = driver::WaitForWindow("UmberlayValeWindow", "Umberlay Vale (Demo)", vale.id);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  DWORD code = 0xDEAD;
  EXPECT_TRUE(driver::WaitForExit(vale, &code));
  EXPECT_EQ(code, 0u);
  driver::Close(vale);
  driver::RemoveTree(folder);
}

HWND StartConfig(const std::string& folder, driver::Process* config) {
  if (!driver::Start(folder + "\\config.exe", "", folder, config)) return nullptr;
  return driver::WaitForWindow("#32770", ConfigCaption, config->id);
}

LRESULT Selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }
LRESULT Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0); }

bool WaitForCheck(HWND dialog, int id, LRESULT state) {
  for (int i = 0; i < 200; ++i) {
    if (Checked(dialog, id) == state) return true;
    Sleep(25);
  }
  return false;
}

TEST(Config, SavesTheChosenSettingsOnOkAndShowsThemNextTime) {
  std::string folder = PrepareFolder("config", "config.exe");
  driver::Process config;
  HWND dialog = StartConfig(folder, &config);
  ASSERT_NE(dialog, nullptr);
  // No settings file yet: the defaults.
  EXPECT_EQ(Selection(dialog, ResolutionBox), 1);
  EXPECT_EQ(Selection(dialog, DetailBox), 1);
  EXPECT_EQ(Checked(dialog, SoundBox), BST_CHECKED);
  EXPECT_EQ(Checked(dialog, MusicBox), BST_CHECKED);

  SendDlgItemMessageA(dialog, ResolutionBox, CB_SETCURSEL, 2, 0);
  SendDlgItemMessageA(dialog, DetailBox, CB_SETCURSEL, 2, 0);
  ASSERT_TRUE(driver::Click(dialog, SoundBox));
  ASSERT_TRUE(WaitForCheck(dialog, SoundBox, BST_UNCHECKED));
  ASSERT_TRUE(driver::Click(dialog, IDOK));
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(config, &code));
  EXPECT_EQ(code, 0u);
  driver::Close(config);
  EXPECT_EQ(driver::ReadWholeFile(folder + "\\VALE.INI"),
            "[Vale]\r\nResolution=1024x768\r\nDetail=High\r\nSound=Off\r\nMusic=On\r\n");

  // Next time the dialog shows what was saved; Cancel keeps the file.
  dialog = StartConfig(folder, &config);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Selection(dialog, ResolutionBox), 2);
  EXPECT_EQ(Selection(dialog, DetailBox), 2);
  EXPECT_EQ(Checked(dialog, SoundBox), BST_UNCHECKED);
  ASSERT_TRUE(driver::Click(dialog, MusicBox));
  ASSERT_TRUE(WaitForCheck(dialog, MusicBox, BST_UNCHECKED));
  ASSERT_TRUE(driver::Click(dialog, IDCANCEL));
  ASSERT_TRUE(driver::WaitForExit(config, &code));
  EXPECT_EQ(code, 1u);
  driver::Close(config);
  EXPECT_EQ(driver::ReadWholeFile(folder + "\\VALE.INI"),
            "[Vale]\r\nResolution=1024x768\r\nDetail=High\r\nSound=Off\r\nMusic=On\r\n");
  driver::RemoveTree(folder);
}

TEST(Config, SaysSoWhenTheSettingsCannotBeSaved) {
  std::string folder = PrepareFolder("config-blocked", "config.exe");
  // A folder where the settings file belongs: it cannot be written.
  CreateDirectoryA((folder + "\\VALE.INI").c_str(), nullptr);
  driver::Process config;
  HWND dialog = StartConfig(folder, &config);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(driver::Click(dialog, IDOK));
  HWND box = nullptr;
  for (int i = 0; i < 400 && box == nullptr; ++i) {
    HWND candidate = driver::WaitForWindow("#32770", ConfigCaption, config.id, 50);
    if (candidate != nullptr && candidate != dialog) box = candidate;
  }
  ASSERT_NE(box, nullptr) << "no error box";
  EXPECT_NE(driver::MessageBoxText(box).find("could not be saved"), std::string::npos);
  ASSERT_TRUE(driver::Click(box, IDOK));
  ASSERT_TRUE(driver::WaitUntilGone(box));
  // The dialog is still there to try again or cancel.
  ASSERT_TRUE(IsWindowVisible(dialog));
  ASSERT_TRUE(driver::Click(dialog, IDCANCEL));
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(config, &code));
  EXPECT_EQ(code, 1u);
  driver::Close(config);
  EXPECT_TRUE(driver::IsDirectory(folder + "\\VALE.INI"));
  driver::RemoveTree(folder);
}

}  // namespace
