// The pages, the picture control and the backdrop under the real window
// system: each modal page is shown from the program's own templates and
// driven from a timer inside its modal loop.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "page_driver.h"
#include "pages/destination_page.h"
#include "pages/group_page.h"
#include "pages/page_common.h"
#include "pages/path_prefixes.h"
#include "pages/picture_control.h"
#include "pages/simple_pages.h"
#include "resources/resource_ids.h"
#include "shell/backdrop.h"
#include "shell/gradient.h"
#include "shell/setup_state.h"
#include "shell/wizard.h"
#include "undo/install_journal.h"

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
    RunJournal.Clear();
  }
  void TearDown() override { RunJournal.Clear(); }
  // The directories the page recorded as made by this run, oldest first.
  static std::vector<std::string> Made() {
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < RunJournal.Count(); ++i) {
      EXPECT_EQ(RunJournal.Record(i).kind, JournalKind::Directory);
      paths.push_back(RunJournal.Record(i).path);
    }
    return paths;
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
  EXPECT_TRUE(Made().empty()) << "a directory that was there is not the run's";
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
        EXPECT_TRUE(Made().empty()) << "removed again, so not recorded";
        return true;
      },
      Command(IDC_NEXT),
      AnswerBox("Warning!", question, IDYES),
  });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(IsDirectory(fresh));
  EXPECT_EQ(std::string(::Setup.InstallDir), fresh);
  EXPECT_EQ(std::string(::Setup.DirField), fresh);
  EXPECT_EQ(Made(), std::vector<std::string>{fresh});
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
  EXPECT_EQ(Made(), (std::vector<std::string>{Root + "\\one", Root + "\\one\\two", deep}));
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
  EXPECT_EQ(Made(), (std::vector<std::string>{Root + "\\c1", Root + "\\c1\\c2"}));

  ASSERT_TRUE(SplitPathPrefixes("Q:\\a\\b\\c"));
  EXPECT_EQ(CreatePathChain(), -1);

  const std::string file = Root + "\\plainfile";
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(SplitPathPrefixes((file + "\\below\\leaf").c_str()));
  EXPECT_EQ(CreatePathChain(), -1);
  EXPECT_FALSE(IsDirectory(file + "\\below"));
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

// --- backdrop ---

struct Canvas {
  HDC Dc;
  HBITMAP Bitmap;
  HGDIOBJ Old;
  uint32_t* Pixels;
  int Width, Height;
  Canvas(int width, int height) : Width(width), Height(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    Pixels = static_cast<uint32_t*>(bits);
    Dc = CreateCompatibleDC(nullptr);
    Old = SelectObject(Dc, Bitmap);
    for (int i = 0; i < width * height; ++i) Pixels[i] = 0x00FF00FF;
  }
  ~Canvas() {
    SelectObject(Dc, Old);
    DeleteDC(Dc);
    DeleteObject(Bitmap);
  }
  // As a colour reference 0x00BBGGRR.
  COLORREF At(int x, int y) const {
    const uint32_t p = Pixels[y * Width + x];  // 0x00RRGGBB in the DIB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
};

TEST_F(PagesTest, BackdropPaintsExactlyTheRowsAskedForWithTheGradient) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  ::Setup.TitleFont = nullptr;
  Canvas canvas(width, height);
  GdiFlush();
  PaintBackdrop(canvas.Dc, 0, 100, width, 200);
  GdiFlush();
  EXPECT_EQ(canvas.At(5, 99), RGB(255, 0, 255));
  EXPECT_EQ(canvas.At(5, 200), RGB(255, 0, 255));
  for (int y : {100, 150, 199}) {
    const int v = GradientLevelFor(y, height);
    EXPECT_EQ(canvas.At(0, y), RGB(v, v, 255 - v)) << y;
    EXPECT_EQ(canvas.At(width - 1, y), RGB(v, v, 255 - v)) << y;
  }
  PaintBackdrop(canvas.Dc, 0, 0, width, height);
  GdiFlush();
  EXPECT_EQ(canvas.At(width - 1, 0), RGB(0, 0, 255));
  EXPECT_EQ(canvas.At(width - 1, height - 1), RGB(254, 254, 1));
  if (height == 768) {
    EXPECT_EQ(canvas.At(width - 1, 384), RGB(127, 127, 128));
  }
}

TEST_F(PagesTest, BackdropWritesTheTitleWithItsShadow) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  ::Setup.TitleFont = CreateTitleFont();
  ASSERT_NE(::Setup.TitleFont, nullptr);
  Canvas canvas(width, height);
  PaintBackdrop(canvas.Dc, 0, 0, width, height);
  GdiFlush();
  int title = 0, shadow = 0, top = height, left = width;
  for (int y = 0; y < height / 4; ++y) {
    for (int x = 0; x < width / 2; ++x) {
      const COLORREF c = canvas.At(x, y);
      if (c == RGB(250, 250, 250)) {
        ++title;
        if (y < top) top = y;
        if (x < left) left = x;
      }
      if (c == RGB(10, 10, 10)) ++shadow;
    }
  }
  EXPECT_GT(title, 100);
  EXPECT_GT(shadow, 20);
  EXPECT_GE(top, height / 40);
  EXPECT_GE(left, 10);
  DeleteObject(::Setup.TitleFont);
  ::Setup.TitleFont = nullptr;
}

TEST_F(PagesTest, BackdropColoursItsMessageBoxesAndDropsItsBrush) {
  RegisterBackdropClass(::Setup.ModuleInstance);
  HWND backdrop = CreateBackdropWindow(::Setup.ModuleInstance);
  ASSERT_NE(backdrop, nullptr);
  EXPECT_FALSE(IsWindowVisible(backdrop));
  char title[64];
  GetWindowTextA(backdrop, title, sizeof(title));
  EXPECT_STREQ(title, "Umberlay Vale (Demo)");
  const DWORD style = static_cast<DWORD>(GetWindowLongA(backdrop, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE));
  RECT rect;
  GetWindowRect(backdrop, &rect);
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN));
  ASSERT_NE(MessageBoxBrush, nullptr);

  HDC dc = CreateCompatibleDC(nullptr);
  const LRESULT brush = SendMessageA(backdrop, WM_CTLCOLORMSGBOX, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(backdrop));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(MessageBoxBrush));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(20, 80, 140));
  DeleteDC(dc);

  HBRUSH made = MessageBoxBrush;
  DestroyWindow(backdrop);
  EXPECT_EQ(MessageBoxBrush, nullptr);
  EXPECT_EQ(GetObjectType(made), 0u);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
