// The pages and the picture control under the real window system: each
// modal page is shown from the program's own templates and driven from a
// timer inside its modal loop.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "pages/destination_page.h"
#include "pages/group_page.h"
#include "pages/kbytes_text.h"
#include "pages/page_common.h"
#include "pages/path_prefixes.h"
#include "pages/picture_control.h"
#include "pages/simple_pages.h"
#include "resources/resource_ids.h"
#include "shell/base/setup_state.h"
#include "shell/base/shell_folders.h"
#include "tests/pages/page_driver.h"

namespace {

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::Setup.ModuleInstance = GetModuleHandleA(nullptr);
    ::Setup.MainWindow = nullptr;
  }
};

// Sends a command as a button click would, after the page is up.
PageStep Command(int id, int notification = BN_CLICKED) {
  return [=] {
    PostMessageA(CurrentPage(), WM_COMMAND, MAKEWPARAM(id, notification),
                 reinterpret_cast<LPARAM>(GetDlgItem(CurrentPage(), id)));
    return true;
  };
}

PageStep Do(std::function<void()> action) {
  return [=] {
    action();
    return true;
  };
}

// Waits for a message box, checks its caption and text, answers it.
PageStep AnswerBox(const std::string& caption, const std::string& text, int answer) {
  return [=] {
    HWND box = CurrentMessageBox();
    if (box == nullptr) return false;
    EXPECT_EQ(WindowText(box), caption);
    EXPECT_EQ(ItemText(box, 0xFFFF), text);
    PostMessageA(box, WM_COMMAND, answer, 0);
    return true;
  };
}

// Waits until no message box is shown any more.
PageStep NoBox() {
  return [] { return CurrentMessageBox() == nullptr; };
}

std::string TempRoot() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  std::string root = std::string(temp) + "wz-pages-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(root.c_str(), nullptr);
  return root;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// --- picture control ---

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(colour);
  RECT rect{0, 0, width, height};
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

TEST_F(PagesTest, PictureAttachSubclassesAndDetachRestoresOnce) {
  HWND control = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 20, 10, nullptr, nullptr,
                                 ::Setup.ModuleInstance, nullptr);
  ASSERT_NE(control, nullptr);
  const LONG_PTR original = GetWindowLongPtrA(control, GWLP_WNDPROC);
  HBITMAP bitmap = SolidBitmap(64, 48, RGB(200, 10, 10));

  EXPECT_EQ(AttachPicture(nullptr, bitmap, 0), 0);
  EXPECT_EQ(AttachPicture(control, nullptr, 0), 0);
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
  EXPECT_EQ(DetachPicture(control), 0);  // never attached
  EXPECT_EQ(DetachPicture(nullptr), 0);

  ASSERT_EQ(AttachPicture(control, bitmap, 7), 1);
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(PictureWndProc));
  auto* record = reinterpret_cast<PictureRecord*>(GetWindowLongPtrA(control, GWLP_USERDATA));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Control, control);
  EXPECT_EQ(record->Option, 7);
  EXPECT_EQ(GetCurrentObject(record->MemoryDc, OBJ_BITMAP), bitmap);

  EXPECT_EQ(DetachPicture(control), 1);
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_WNDPROC), original);
  EXPECT_EQ(GetWindowLongPtrA(control, GWLP_USERDATA), 0);
  EXPECT_EQ(DetachPicture(control), 0);
  EXPECT_TRUE(DeleteObject(bitmap));  // the record no longer holds it
  DestroyWindow(control);
}

TEST_F(PagesTest, PicturePaintsTheBitmapAndDetachesWhenDestroyed) {
  HWND control = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40, 20, 10,
                                 nullptr, nullptr, ::Setup.ModuleInstance, nullptr);
  ASSERT_NE(control, nullptr);
  HBITMAP bitmap = SolidBitmap(64, 48, RGB(200, 10, 10));
  ASSERT_EQ(AttachPicture(control, bitmap, 0), 1);
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(control);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(200, 10, 10));
  EXPECT_EQ(GetPixel(dc, 19, 9), RGB(200, 10, 10));
  ReleaseDC(control, dc);

  DestroyWindow(control);  // WM_DESTROY detaches
  EXPECT_TRUE(DeleteObject(bitmap));
}

// --- the simple pages ---

TEST_F(PagesTest, WelcomeEndsThroughItsButtonsOnlyAndReleasesItsBitmap) {
  HBITMAP loaded = nullptr;
  const INT_PTR result = RunPage(IDD_WELCOME, WelcomePageProc, {
      [&] {
        loaded = PageBitmap.Welcome;
        EXPECT_NE(loaded, nullptr);  // bitmap 126 is in the resources
        EXPECT_EQ(GetFocus(), GetDlgItem(CurrentPage(), IDC_INSTALL_NOW));
        EXPECT_EQ(WindowText(CurrentPage()), "Umberlay Vale (Demo)");
        // Escape (IDCANCEL), Alt+F4 (WM_CLOSE) and unknown commands end nothing.
        PostMessageA(CurrentPage(), WM_COMMAND, IDCANCEL, 0);
        PostMessageA(CurrentPage(), WM_CLOSE, 0, 0);
        PostMessageA(CurrentPage(), WM_CLOSE, 0, 0);
        PostMessageA(CurrentPage(), WM_COMMAND, 1005, 0);
        return true;
      },
      [&] {
        EXPECT_TRUE(IsWindow(CurrentPage()));
        EXPECT_EQ(PageBitmap.Welcome, nullptr);  // WM_CLOSE deleted it
        EXPECT_EQ(GetObjectType(loaded), 0u);
        return true;
      },
      Command(IDC_DONT_INSTALL, 0x1234),
  });
  EXPECT_EQ(result, 2);

  const INT_PTR forward = RunPage(IDD_WELCOME, WelcomePageProc, {
      [&] {
        loaded = PageBitmap.Welcome;
        return loaded != nullptr;
      },
      Command(IDC_INSTALL_NOW, 0x7777),  // any notification code
  });
  EXPECT_EQ(forward, 1);
  EXPECT_EQ(PageBitmap.Welcome, nullptr);  // released although no WM_CLOSE came
  EXPECT_EQ(GetObjectType(loaded), 0u);
}

TEST_F(PagesTest, InstalledAndFinishPagesEndWithTheirOutcomes) {
  EXPECT_EQ(RunPage(IDD_INSTALLED, InstalledPageProc,
                    {[] {
                       EXPECT_EQ(WindowText(CurrentPage()), "Welcome");
                       EXPECT_EQ(GetFocus(), GetDlgItem(CurrentPage(), IDC_START_NOW));
                       return true;
                     },
                     Command(IDC_START_NOW)}),
            1);
  EXPECT_EQ(RunPage(IDD_INSTALLED, InstalledPageProc, {Command(IDC_DONT_START)}), 2);
  EXPECT_EQ(RunPage(IDD_FINISH, FinishPageProc,
                    {[] {
                       PostMessageA(CurrentPage(), WM_COMMAND, IDCANCEL, 0);
                       return true;
                     },
                     Command(IDC_PLAY_NOW)}),
            1);
  EXPECT_EQ(RunPage(IDD_FINISH, FinishPageProc, {Command(IDC_DONT_PLAY)}), 2);
  EXPECT_EQ(PageBitmap.Installed, nullptr);
  EXPECT_EQ(PageBitmap.Finish, nullptr);
}

TEST_F(PagesTest, ProgressPageIgnoresEveryCommandAndReleasesItsBitmapWhenDestroyed) {
  RegisterProgressClass();
  HWND page = CreateDialogParamA(::Setup.ModuleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                 ProgressPageProc, 0);
  ASSERT_NE(page, nullptr);
  char className[64];
  GetClassNameA(GetDlgItem(page, IDC_PROGRESS_BAR), className, sizeof(className));
  EXPECT_STREQ(className, "msctls_progress32");
  EXPECT_NE(PageBitmap.Progress, nullptr);
  for (int id : {1, 2, 1016, 1018, 1019, 1027}) SendMessageA(page, WM_COMMAND, id, 0);
  SendMessageA(page, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(page));
  EXPECT_EQ(PageBitmap.Progress, nullptr);
  DestroyWindow(page);

  page = CreateDialogParamA(::Setup.ModuleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                            ProgressPageProc, 0);
  HBITMAP loaded = PageBitmap.Progress;
  ASSERT_NE(loaded, nullptr);
  DestroyWindow(page);
  EXPECT_EQ(PageBitmap.Progress, nullptr);
  EXPECT_EQ(GetObjectType(loaded), 0u);
}

// --- destination page ---

class DestinationTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    Root = TempRoot();
    ::Setup.RequiredBytes = 90100000;
    std::memset(::Setup.InstallDir, 0, sizeof(::Setup.InstallDir));
  }
  void SetField(const std::string& text) {
    std::memset(::Setup.DirField, 0, sizeof(::Setup.DirField));
    std::strncpy(::Setup.DirField, text.c_str(), PathBufferSize - 1);
  }
  std::string Root;
};

PageStep Type(const std::string& text) {
  return Do([=] { SetDlgItemTextA(CurrentPage(), IDC_DEST_EDIT, text.c_str()); });
}

TEST_F(DestinationTest, ShowsTheFiguresAndAcceptsAnExistingDirectoryWithoutAsking) {
  SetField(Root);
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      [&] {
        HWND page = CurrentPage();
        EXPECT_EQ(ItemText(page, IDC_DEST_EDIT), Root);
        EXPECT_EQ(ItemText(page, IDC_SPACE_NEEDED), "87,988");
        EXPECT_FALSE(ItemText(page, IDC_SPACE_FREE).empty());
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_NEXT)), FreeBytes > 90100000);
        EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_NEXT));
        EXPECT_NE(PageBitmap.Destination, nullptr);
        return true;
      },
      Command(IDC_NEXT),
  });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(::Setup.InstallDir, Root.c_str());
  EXPECT_EQ(PageBitmap.Destination, nullptr);
}

TEST_F(DestinationTest, NewDirectoryIsRemovedAgainOnNoAndKeptOnYes) {
  const std::string fresh = Root + "\\fresh";
  SetField(Root);
  const std::string question =
      "Folder\n\n" + fresh + "\n\ndoes not exist.\nWould you like to create new?";
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      Type(fresh),
      Command(IDC_NEXT),
      [&] {
        if (CurrentMessageBox() == nullptr) return false;
        EXPECT_TRUE(IsDirectory(fresh));  // made by the test before asking
        return true;
      },
      AnswerBox("Warning!", question, IDNO),
      NoBox(),
      [&] {
        EXPECT_FALSE(IsDirectory(fresh));
        EXPECT_TRUE(IsWindow(CurrentPage()));
        return true;
      },
      Command(IDC_NEXT),
      AnswerBox("Warning!", question, IDYES),
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsDirectory(fresh));
  EXPECT_EQ(std::string(::Setup.InstallDir), fresh);
  EXPECT_EQ(std::string(::Setup.DirField), fresh);
}

TEST_F(DestinationTest, MissingParentsAreCreatedFromTheTopDown) {
  const std::string deep = Root + "\\one\\two\\three";
  SetField(deep);
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      Command(IDC_NEXT),
      AnswerBox("Warning!",
                "Folder\n\n" + deep + "\n\ndoes not exist.\nWould you like to create new?", IDYES),
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsDirectory(deep));
}

TEST_F(DestinationTest, UncreatablePathsGetTheFailureBoxAndThePageStays) {
  const std::string missingDrive = "Q:\\nowhere\\deeper";
  std::string tooDeep = Root;
  while (std::count(tooDeep.begin(), tooDeep.end(), '\\') < 33) tooDeep += "\\d";
  SetField(Root);
  auto failure = [](const std::string& path) {
    return "It is impossible to create directory \n\n" + path + "\n\nPlease try another path.";
  };
  auto question = [](const std::string& path) {
    return "Folder\n\n" + path + "\n\ndoes not exist.\nWould you like to create new?";
  };
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      Type(missingDrive), Command(IDC_NEXT),
      AnswerBox("Warning!", question(missingDrive), IDYES),
      AnswerBox("Warning!", failure(missingDrive), IDOK), NoBox(),
      Type(tooDeep), Command(IDC_NEXT),
      AnswerBox("Warning!", question(tooDeep), IDYES),
      AnswerBox("Warning!", failure(tooDeep), IDOK), NoBox(),
      // A last level whose name the file system refuses is not accepted.
      Type(Root + "\\bad<name"), Command(IDC_NEXT),
      AnswerBox("Warning!", question(Root + "\\bad<name"), IDYES),
      AnswerBox("Warning!", failure(Root + "\\bad<name"), IDOK), NoBox(),
      // An empty field: asked, and Yes leaves the page open without a further box.
      Type(""), Command(IDC_NEXT),
      AnswerBox("Warning!", question(""), IDYES), NoBox(),
      [] {
        EXPECT_TRUE(IsWindow(CurrentPage()));
        return true;
      },
      Command(IDC_CANCEL_PAGE),
  });
  EXPECT_EQ(result, 3);
  EXPECT_FALSE(IsDirectory(tooDeep));
  EXPECT_STREQ(::Setup.InstallDir, "");
}

TEST_F(DestinationTest, BackAndCancelDropWhatWasTyped) {
  SetField(Root);
  EXPECT_EQ(RunPage(IDD_DESTINATION, DestinationPageProc, {Type("C:\\typed"), Command(IDC_BACK)}),
            2);
  EXPECT_EQ(std::string(::Setup.DirField), Root);
  EXPECT_EQ(RunPage(IDD_DESTINATION, DestinationPageProc,
                    {[&] {
                       EXPECT_EQ(ItemText(CurrentPage(), IDC_DEST_EDIT), Root);
                       return true;
                     },
                     Type("C:\\typed"), Command(IDC_CANCEL_PAGE)}),
            3);
  EXPECT_EQ(std::string(::Setup.DirField), Root);
}

TEST_F(DestinationTest, CreatePathChainStopsAtTheFirstFailure) {
  ASSERT_TRUE(SplitPathPrefixes((Root + "\\c1\\c2\\leaf").c_str()));
  EXPECT_EQ(CreatePathChain(), 1);
  EXPECT_TRUE(IsDirectory(Root + "\\c1\\c2"));
  EXPECT_FALSE(IsDirectory(Root + "\\c1\\c2\\leaf"));
  EXPECT_EQ(CreatePathChain(), 1);  // everything exists already

  ASSERT_TRUE(SplitPathPrefixes("Q:\\a\\b\\c"));
  EXPECT_EQ(CreatePathChain(), -1);

  const std::string file = Root + "\\plainfile";
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(SplitPathPrefixes((file + "\\below\\leaf").c_str()));
  EXPECT_EQ(CreatePathChain(), -1);
  EXPECT_FALSE(IsDirectory(file + "\\below"));
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFileText(const std::string& path, const char* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFileText(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char text[256] = {0};
  DWORD read = 0;
  ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
  CloseHandle(file);
  return std::string(text, read);
}

std::string KBytes(uint64_t bytes) {
  char text[KBytesTextSize];
  FormatKBytes(bytes, text);
  return text;
}

// Waits for the folder browser, selects folder in it (as the shell's own
// selection message does) and presses its OK.
PageStep ChooseInBrowser(const std::string& folder) {
  return [=] {
    HWND browser = CurrentFolderBrowser();
    if (browser == nullptr) return false;
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageA(browser, WM_COMMAND, IDOK, 0);
    return true;
  };
}

// Waits until the folder browser is gone.
PageStep NoBrowser() {
  return [] { return CurrentFolderBrowser() == nullptr; };
}

TEST_F(DestinationTest, ExistingFileIsTakenWithoutAQuestion) {
  // CreateDirectoryA reports that the name exists: the page takes it as it is.
  const std::string file = Root + "\plain.txt";
  WriteFileText(file, "mine");
  SetField(Root);
  const INT_PTR result =
      RunPage(IDD_DESTINATION, DestinationPageProc, {Type(file), Command(IDC_NEXT)});
  EXPECT_EQ(result, 1) << "a question or a box would have held the page open";
  EXPECT_EQ(std::string(::Setup.InstallDir), file);
  EXPECT_TRUE(IsFile(file));
  EXPECT_EQ(ReadFileText(file), "mine");
}

TEST_F(DestinationTest, FreeSpaceEqualToTheNeedDisablesNextAndOneByteMoreEnablesIt) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA("S:\\", &available, nullptr, nullptr)) {
    GTEST_SKIP() << "no small drive S: mapped (SpaceSuffices stands in)";
  }
  ASSERT_GT(available.QuadPart, 1u);
  ASSERT_LT(available.QuadPart, 0xFFFFFFFFull);
  SetField("S:\\Umberlay Vale (Demo)");
  for (uint32_t less : {0u, 1u}) {
    ::Setup.RequiredBytes = static_cast<uint32_t>(available.QuadPart) - less;
    const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
        [&] {
          HWND page = CurrentPage();
          EXPECT_EQ(FreeBytes, available.QuadPart) << "the drive's free space changed";
          EXPECT_EQ(ItemText(page, IDC_SPACE_FREE), KBytes(available.QuadPart));
          EXPECT_EQ(ItemText(page, IDC_SPACE_NEEDED), KBytes(::Setup.RequiredBytes));
          EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, IDC_NEXT)) != FALSE, less == 1)
              << "free " << available.QuadPart << ", needed " << ::Setup.RequiredBytes;
          return true;
        },
        Command(IDC_CANCEL_PAGE),
    });
    EXPECT_EQ(result, 3);
  }
}

TEST_F(DestinationTest, FreeSpaceThatCannotBeReadGetsTheInstalBoxAndLeavesTheFigures) {
  const std::string nowhere = "Q:\\nowhere";
  SetField(nowhere);
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      // Shown while the page initialises, owned by no window.
      [&] {
        HWND box = CurrentMessageBox();
        if (box == nullptr) return false;
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        return true;
      },
      AnswerBox("Instal", "Unable to install to \"" + nowhere + "\"\n", IDOK),
      NoBox(),
      [] {
        HWND page = CurrentPage();
        if (page == nullptr) return false;
        EXPECT_EQ(ItemText(page, IDC_SPACE_FREE), "");
        EXPECT_EQ(ItemText(page, IDC_SPACE_NEEDED), "");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_NEXT))) << "Next as the template has it";
        return true;
      },
      Command(IDC_CANCEL_PAGE),
  });
  EXPECT_EQ(result, 3);
}

class BrowseTest : public DestinationTest {
 protected:
  void SetUp() override {
    DestinationTest::SetUp();
    Folder = "C:\\wz-browse-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(Folder.c_str(), nullptr);
    SetField(Root);
  }
  void TearDown() override {
    for (const std::string& name : Made) DeleteFileA(name.c_str());
    RemoveDirectoryA(Folder.c_str());
  }
  std::string Folder;
  std::vector<std::string> Made;
};

TEST_F(BrowseTest, CancellingTheFolderBrowserChangesNothing) {
  std::strcpy(::Setup.InstallDir, "untouched");
  std::string freeShown;
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      [&] {
        freeShown = ItemText(CurrentPage(), IDC_SPACE_FREE);
        return true;
      },
      Command(IDC_BROWSE),
      [] {
        HWND browser = CurrentFolderBrowser();
        if (browser == nullptr) return false;
        EXPECT_EQ(GetWindow(browser, GW_OWNER), CurrentPage());
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        return true;
      },
      NoBrowser(),
      [&] {
        EXPECT_EQ(CurrentMessageBox(), nullptr) << "a cancelled browse shows no box";
        EXPECT_EQ(ItemText(CurrentPage(), IDC_DEST_EDIT), Root);
        EXPECT_EQ(ItemText(CurrentPage(), IDC_SPACE_FREE), freeShown);
        return true;
      },
      Command(IDC_BACK),
  });
  EXPECT_EQ(result, 2);
  EXPECT_EQ(std::string(::Setup.DirField), Root);
}

TEST_F(BrowseTest, BrowsingToADriveRootGivesTheProductFolderOnThatDrive) {
  const bool probeWasThere = IsFile("C:\\check.fil");
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      Command(IDC_BROWSE),
      ChooseInBrowser("C:\\"),
      NoBrowser(),
      [] {
        EXPECT_EQ(CurrentMessageBox(), nullptr) << "the drive root takes files";
        EXPECT_EQ(ItemText(CurrentPage(), IDC_DEST_EDIT), "C:\\Umberlay Vale (Demo)");
        EXPECT_EQ(ItemText(CurrentPage(), IDC_SPACE_NEEDED), "87,988");
        return true;
      },
      Command(IDC_BACK),
  });
  EXPECT_EQ(result, 2);
  EXPECT_STREQ(::Setup.InstallDir, "C:") << "the chosen root without its backslash";
  // Set by the browse, so kept on Back.
  EXPECT_STREQ(::Setup.DirField, "C:\\Umberlay Vale (Demo)");
  if (!probeWasThere) EXPECT_FALSE(IsFile("C:\\check.fil")) << "the probe file was left behind";
}

TEST_F(BrowseTest, FolderThatTakesNoFilesGetsTheInstallBoxAndChangesNothing) {
  // Every probe name is taken by a file of the user's: no probe can be made.
  for (int n = 0; n < 10; ++n) {
    const std::string probe =
        Folder + (n == 0 ? std::string("\\check.fil") : "\\check" + std::to_string(n) + ".fil");
    WriteFileText(probe, "mine");
    Made.push_back(probe);
  }
  const INT_PTR result = RunPage(IDD_DESTINATION, DestinationPageProc, {
      Command(IDC_BROWSE),
      ChooseInBrowser(Folder),
      [] {
        HWND box = CurrentMessageBox();
        if (box == nullptr) return false;
        EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
        return true;
      },
      AnswerBox("Install", "Unable to install to \"" + Folder + "\"\n", IDOK),
      NoBox(),
      [&] {
        EXPECT_EQ(ItemText(CurrentPage(), IDC_DEST_EDIT), Root);
        return true;
      },
      Command(IDC_CANCEL_PAGE),
  });
  EXPECT_EQ(result, 3);
  EXPECT_EQ(std::string(::Setup.DirField), Root);
  for (const std::string& probe : Made) EXPECT_EQ(ReadFileText(probe), "mine") << probe;
}

// --- program-group page ---

class GroupTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list), S_OK);
    char path[MAX_PATH];
    ASSERT_TRUE(SHGetPathFromIDListA(list, path));
    FreeItemList(list);
    Programs = path;
    std::memset(::Setup.ProgramGroup, 0, sizeof(::Setup.ProgramGroup));
    ::Setup.WantDesktopShortcut = 0;
  }
  void MakeGroup(const std::string& name) {
    CreateDirectoryA((Programs + "\\" + name).c_str(), nullptr);
    Made.push_back(name);
  }
  void TearDown() override {
    for (const std::string& name : Made) RemoveDirectoryA((Programs + "\\" + name).c_str());
  }
  std::string Programs;
  std::vector<std::string> Made;
};

int ListIndex(HWND page, const std::string& name) {
  return static_cast<int>(SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_FINDSTRINGEXACT, -1,
                                              reinterpret_cast<LPARAM>(name.c_str())));
}

TEST_F(GroupTest, ListsPlainFoldersAndTakesADoubleClickedOne) {
  MakeGroup("wz-alpha");
  MakeGroup("wz-beta");
  CloseHandle(CreateFileA((Programs + "\\wz-file.lnk").c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, 0, nullptr));
  const INT_PTR result = RunPage(IDD_GROUP, GroupPageProc, {
      [&] {
        HWND page = CurrentPage();
        EXPECT_EQ(ItemText(page, IDC_GROUP_EDIT), "Umberlay Vale (Demo)");
        EXPECT_GE(ListIndex(page, "wz-alpha"), 0);
        EXPECT_GE(ListIndex(page, "wz-beta"), 0);
        EXPECT_EQ(ListIndex(page, "wz-file.lnk"), LB_ERR);
        EXPECT_EQ(ListIndex(page, "."), LB_ERR);
        EXPECT_EQ(ListIndex(page, ".."), LB_ERR);
        const int count = static_cast<int>(SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_GETCOUNT, 0, 0));
        EXPECT_EQ(count, GroupNameCount);
        for (int i = 0; i < count; ++i) {
          char text[GroupNameSize];
          SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
          EXPECT_STREQ(text, GroupNameTable[i]);
        }
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof(cwd), cwd);
        EXPECT_EQ(std::string(cwd), Programs);
        // No selection: a double-click changes nothing.
        SendDlgItemMessageA(page, IDC_GROUP_LIST, LB_SETCURSEL, -1, 0);
        return true;
      },
      Command(IDC_GROUP_LIST, LBN_DBLCLK),
      [&] {
        EXPECT_STREQ(::Setup.ProgramGroup, "Umberlay Vale (Demo)");
        SendDlgItemMessageA(CurrentPage(), IDC_GROUP_LIST, LB_SETCURSEL,
                            ListIndex(CurrentPage(), "wz-beta"), 0);
        return true;
      },
      Command(IDC_GROUP_LIST, LBN_SELCHANGE),
      [&] {
        EXPECT_STREQ(::Setup.ProgramGroup, "Umberlay Vale (Demo)");  // selection alone takes nothing
        return true;
      },
      Command(IDC_GROUP_LIST, LBN_DBLCLK),
      [&] {
        EXPECT_STREQ(::Setup.ProgramGroup, "wz-beta");
        EXPECT_EQ(ItemText(CurrentPage(), IDC_GROUP_EDIT), "wz-beta");
        EXPECT_EQ(GetFocus(), GetDlgItem(CurrentPage(), IDC_GROUP_EDIT));
        SetDlgItemTextA(CurrentPage(), IDC_GROUP_EDIT, "typed then dropped");
        return true;
      },
      Command(IDC_BACK),
  });
  DeleteFileA((Programs + "\\wz-file.lnk").c_str());
  EXPECT_EQ(result, 2);
  EXPECT_STREQ(::Setup.ProgramGroup, "wz-beta");  // taken by the double-click, kept on Back
}

TEST_F(GroupTest, CheckBoxAndFlagAgreeAndNextStoresTheTypedName) {
  auto click = [] {
    return Do([] { SendDlgItemMessageA(CurrentPage(), IDC_DESKTOP_CHECK, BM_CLICK, 0, 0); });
  };
  EXPECT_EQ(RunPage(IDD_GROUP, GroupPageProc,
                    {click(),
                     [] {
                       EXPECT_EQ(::Setup.WantDesktopShortcut, 1);
                       return true;
                     },
                     click(),
                     [] {
                       EXPECT_EQ(::Setup.WantDesktopShortcut, 0);
                       return true;
                     },
                     click(), Command(IDC_CANCEL_PAGE)}),
            3);
  EXPECT_EQ(::Setup.WantDesktopShortcut, 1);  // takes effect at the click
  EXPECT_EQ(RunPage(IDD_GROUP, GroupPageProc,
                    {[] {
                       EXPECT_EQ(IsDlgButtonChecked(CurrentPage(), IDC_DESKTOP_CHECK), BST_CHECKED);
                       SetDlgItemTextA(CurrentPage(), IDC_GROUP_EDIT, "Games\\Demos");
                       return true;
                     },
                     Command(IDC_NEXT)}),
            1);
  EXPECT_STREQ(::Setup.ProgramGroup, "Games\\Demos");
  EXPECT_EQ(RunPage(IDD_GROUP, GroupPageProc,
                    {[] {
                       EXPECT_EQ(ItemText(CurrentPage(), IDC_GROUP_EDIT), "Games\\Demos");
                       SetDlgItemTextA(CurrentPage(), IDC_GROUP_EDIT, "");
                       return true;
                     },
                     Command(IDC_NEXT)}),
            1);
  EXPECT_STREQ(::Setup.ProgramGroup, "");
}

TEST_F(GroupTest, ListsTheFirstSixtyFourGroupsOnly) {
  for (int i = 0; i < 70; ++i) MakeGroup("wz-many-" + std::to_string(i));
  EXPECT_EQ(RunPage(IDD_GROUP, GroupPageProc,
                    {[] {
                       EXPECT_EQ(GroupNameCount, GroupNameSlots);
                       EXPECT_EQ(SendDlgItemMessageA(CurrentPage(), IDC_GROUP_LIST, LB_GETCOUNT, 0, 0),
                                 GroupNameSlots);
                       return true;
                     },
                     Command(IDC_CANCEL_PAGE)}),
            3);
  EXPECT_TRUE(IsListedGroup("Games", FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(IsListedGroup("Games", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(IsListedGroup("Games", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(IsListedGroup("notes.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(IsListedGroup("..", FILE_ATTRIBUTE_DIRECTORY));
}

// --- every page as its template describes it ---

// One control as the template gives it: id (-1 for a static the code never
// addresses), class, position and size in dialog units, style and extended
// style.
struct TemplateControl {
  int Id;
  const char* Class;
  int X, Y, Width, Height;
  DWORD Style;
  DWORD ExStyle;
};

struct PageTemplate {
  int TemplateId;
  DLGPROC Procedure;
  const char* Caption;
  DWORD Style;
  std::vector<TemplateControl> Controls;  // in template (tab) order
};

constexpr DWORD StaticEdge = WS_EX_STATICEDGE;

const std::vector<PageTemplate>& PageTemplates() {
  static const std::vector<PageTemplate> templates = {
      {IDD_WELCOME, WelcomePageProc, "Umberlay Vale (Demo)", 0x90C00840,
       {{1000, "Button", 14, 78, 75, 14, 0x50010001, StaticEdge},
        {1001, "Button", 132, 78, 73, 14, 0x50010000, StaticEdge},
        {-1, "Static", 31, 10, 156, 8, 0x50020001, 0},
        {-1, "Static", 39, 41, 141, 8, 0x50020001, 0}}},
      {IDD_INSTALLED, InstalledPageProc, "Welcome", 0x90C008C0,
       {{1007, "Button", 11, 76, 75, 14, 0x50010001, StaticEdge},
        {1008, "Button", 130, 76, 73, 14, 0x50010000, StaticEdge},
        {-1, "Static", 33, 7, 148, 8, 0x50020001, 0},
        {-1, "Static", 36, 38, 142, 8, 0x50020001, 0}}},
      {IDD_DESTINATION, DestinationPageProc, "Umberlay Vale  (Demo)", 0x90C008C2,
       {{-1, "Static", 5, 4, 181, 8, 0x50020001, 0},
        {1002, "Edit", 10, 18, 190, 12, 0x50011084, StaticEdge},
        {1003, "Button", 151, 33, 50, 14, 0x50010000, StaticEdge},
        {1012, "Button", 10, 80, 55, 14, 0x50010000, StaticEdge},
        {1017, "Button", 80, 80, 55, 14, 0x50010001, StaticEdge},
        {1014, "Button", 151, 80, 50, 14, 0x50010000, StaticEdge},
        {-1, "Static", 10, 48, 55, 8, 0x50020000, 0},
        {1006, "Static", 70, 48, 45, 8, 0x50020002, 0},
        {-1, "Static", 10, 61, 55, 8, 0x50020000, 0},
        {1007, "Static", 69, 61, 46, 8, 0x50020002, 0},
        {-1, "Static", 122, 48, 25, 8, 0x50020000, 0},
        {-1, "Static", 122, 61, 28, 8, 0x50020000, 0}}},
      {IDD_GROUP, GroupPageProc, "Umberlay Vale (Demo)", 0x90C008C0,
       {{-1, "Static", 11, 1, 185, 8, 0x50020000, 0},
        {1010, "Edit", 10, 10, 190, 12, 0x50010080, StaticEdge},
        {1012, "Button", 10, 81, 55, 14, 0x50010000, StaticEdge},
        {1017, "Button", 80, 81, 55, 14, 0x50010001, StaticEdge},
        {1014, "Button", 150, 81, 50, 14, 0x50010000, StaticEdge},
        {1015, "ListBox", 10, 25, 190, 40, 0x50210101, StaticEdge},
        {1021, "Button", 10, 68, 189, 10, 0x50018003, 0}}},
      {IDD_PROGRESS, ProgressPageProc, "Umberlay Vale  (Demo)", 0x90C008C0,
       {{1016, "msctls_progress32", 10, 82, 190, 10, 0x50000001, StaticEdge},
        {1018, "Static", 7, 67, 185, 8, 0x50020001, 0},
        {1027, "Static", 11, 37, 185, 8, 0x50020001, 0},
        {-1, "Static", 14, 10, 185, 8, 0x50020001, 0}}},
      {IDD_FINISH, FinishPageProc, "Umberlay Vale (Demo)", 0x90C008C0,
       {{1019, "Button", 11, 76, 75, 14, 0x50010001, StaticEdge},
        {1020, "Button", 121, 76, 73, 14, 0x50010000, StaticEdge},
        {-1, "Static", 17, 10, 177, 8, 0x50020001, 0},
        {-1, "Static", 46, 40, 118, 8, 0x50020001, 0}}},
  };
  return templates;
}

// Each page is created from the program's own template with its own
// procedure and read back from the live window: its caption and style, and
// every control's order, id, class, style, extended style (without
// WS_EX_NOPARENTNOTIFY, which the dialog manager gives every control) and
// rectangle in the page's client area, against the page as its template
// describes it (in dialog units).
TEST_F(PagesTest, EveryControlOfEveryLivePageStandsAsItsTemplateSays) {
  // More program groups than the list shows at once: its vertical scroll bar
  // (WS_VSCROLL) is there only while it is needed.
  LPITEMIDLIST list = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list), S_OK);
  char programs[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListA(list, programs));
  FreeItemList(list);
  std::vector<std::string> groups;
  for (int i = 0; i < 12; ++i) {
    groups.push_back(std::string(programs) + "\\wz-template-" + std::to_string(i));
    CreateDirectoryA(groups.back().c_str(), nullptr);
  }
  RegisterProgressClass();
  std::strcpy(::Setup.DirField, "C:\\");  // a drive whose free space can be read
  ::Setup.RequiredBytes = 1;
  char savedDirectory[MAX_PATH] = {0};
  GetCurrentDirectoryA(MAX_PATH, savedDirectory);
  for (const PageTemplate& pageTemplate : PageTemplates()) {
    const int id = pageTemplate.TemplateId;
    HWND page = CreateDialogParamA(::Setup.ModuleInstance, MAKEINTRESOURCEA(id), nullptr,
                                   pageTemplate.Procedure, 0);
    ASSERT_NE(page, nullptr) << id;
    EXPECT_EQ(WindowText(page), pageTemplate.Caption) << id;
    const DWORD pageStyle = static_cast<DWORD>(GetWindowLongA(page, GWL_STYLE));
    EXPECT_EQ(pageStyle & WS_SYSMENU, 0u) << id << ": no page has a close box";
    // The platform gives every dialog DS_3DLOOK and a captioned top-level
    // window WS_CLIPSIBLINGS; every other bit is the template's.
    EXPECT_EQ(pageStyle & ~static_cast<DWORD>(WS_CLIPSIBLINGS | DS_3DLOOK), pageTemplate.Style)
        << id;

    size_t index = 0;
    for (HWND control = GetWindow(page, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT), ++index) {
      ASSERT_LT(index, pageTemplate.Controls.size()) << id << ": a control too many";
      const TemplateControl& want = pageTemplate.Controls[index];
      const std::string where = std::to_string(id) + " control " +
                                std::to_string(index) + " (" + std::to_string(want.Id) + ")";
      EXPECT_EQ(GetDlgCtrlID(control) & 0xFFFF, want.Id & 0xFFFF) << where;
      char className[64] = {0};
      GetClassNameA(control, className, sizeof(className));
      EXPECT_EQ(lstrcmpiA(className, want.Class), 0) << where << ": " << className;
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)), want.Style) << where;
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)) & ~WS_EX_NOPARENTNOTIFY,
                want.ExStyle)
          << where;
      // Position and size are converted each on its own, as the dialog
      // manager does when it creates the control.
      RECT units{want.X, want.Y, want.Width, want.Height};
      MapDialogRect(page, &units);
      const RECT expected{units.left, units.top, units.left + units.right,
                          units.top + units.bottom};
      RECT actual;
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left) << where;
      EXPECT_EQ(actual.top, expected.top) << where;
      EXPECT_EQ(actual.right, expected.right) << where;
      EXPECT_EQ(actual.bottom, expected.bottom) << where;
    }
    EXPECT_EQ(index, pageTemplate.Controls.size()) << id << ": a control missing";
    DestroyWindow(page);
  }
  SetCurrentDirectoryA(savedDirectory);
  for (const std::string& group : groups) RemoveDirectoryA(group.c_str());
}

}  // namespace
