#include "tests/pages/page_driver.h"

#include "shell/base/setup_state.h"

namespace {

std::vector<PageStep> Steps;
size_t NextStep;
int Ticks;
HWND Page;

constexpr int TickLimit = 400;  // 400 ticks of 25 ms: a step that never completes

enum class DialogKind { Page, MessageBox, FolderBrowser };

struct Search {
  HWND Found;
  DialogKind Wanted;
};

std::string ClassOf(HWND window) {
  char className[64] = {0};
  GetClassNameA(window, className, sizeof(className));
  return className;
}

// The folder browser is the dialog that holds a tree of folders.
bool HoldsFolderTree(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "SysTreeView32") return true;
  }
  return false;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
  DialogKind kind = DialogKind::Page;
  if (window != Page && HoldsFolderTree(window)) {
    kind = DialogKind::FolderBrowser;
  } else if (window != Page && GetDlgItem(window, 0xFFFF) != nullptr) {
    kind = DialogKind::MessageBox;
  }
  if (kind == search->Wanted) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindThreadDialog(DialogKind kind) {
  Search search{nullptr, kind};
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  if (Page == nullptr) {
    Page = FindThreadDialog(DialogKind::Page);
    // A box shown while the page initialises (before it is visible) is
    // answered by the steps too.
    if (Page == nullptr && CurrentMessageBox() == nullptr) return;
  }
  if (++Ticks > TickLimit) {
    KillTimer(nullptr, timer);
    HWND box = CurrentMessageBox();
    if (box != nullptr) EndDialog(box, IDOK);
    HWND browser = CurrentFolderBrowser();
    if (browser != nullptr) EndDialog(browser, IDCANCEL);
    if (Page != nullptr) EndDialog(Page, -99);
    return;
  }
  // One step per tick, so that what a step posted is handled before the next.
  if (NextStep < Steps.size() && Steps[NextStep]()) ++NextStep;
}

}  // namespace

HWND CurrentPage() { return Page; }

HWND CurrentMessageBox() {
  // Boxes owned by no window (the page's "Unable to install" texts) count too.
  return FindThreadDialog(DialogKind::MessageBox);
}

HWND CurrentFolderBrowser() { return FindThreadDialog(DialogKind::FolderBrowser); }

INT_PTR RunPage(int templateId, DLGPROC procedure, std::vector<PageStep> steps) {
  Steps = std::move(steps);
  NextStep = 0;
  Ticks = 0;
  Page = nullptr;
  const UINT_PTR timer = SetTimer(nullptr, 0, 25, Tick);
  const INT_PTR result = DialogBoxParamA(Setup.ModuleInstance, MAKEINTRESOURCEA(templateId),
                                         Setup.MainWindow, procedure, 0);
  KillTimer(nullptr, timer);
  Page = nullptr;
  return result;
}

std::string WindowText(HWND window) {
  char text[2048];
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[2048];
  GetDlgItemTextA(dialog, id, text, sizeof(text));
  return text;
}
