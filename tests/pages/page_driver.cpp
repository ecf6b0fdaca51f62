#include "tests/pages/page_driver.h"

#include "shell/base/setup_state.h"

namespace {

std::vector<PageStep> Steps;
size_t NextStep;
int Ticks;
HWND Page;

constexpr int TickLimit = 400;  // 400 ticks of 25 ms: a step that never completes

struct Search {
  HWND Found;
  bool WantMessageBox;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  char className[64];
  GetClassNameA(window, className, sizeof(className));
  if (std::string(className) != "#32770" || !IsWindowVisible(window)) return TRUE;
  const bool isBox = window != Page && GetDlgItem(window, 0xFFFF) != nullptr;
  if (isBox == search->WantMessageBox) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  if (Page == nullptr) {
    Search search{nullptr, false};
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
    Page = search.Found;
    if (Page == nullptr) return;
  }
  if (++Ticks > TickLimit) {
    KillTimer(nullptr, timer);
    HWND box = CurrentMessageBox();
    if (box != nullptr) EndDialog(box, IDOK);
    EndDialog(Page, -99);
    return;
  }
  // One step per tick, so that what a step posted is handled before the next.
  if (NextStep < Steps.size() && Steps[NextStep]()) ++NextStep;
}

}  // namespace

HWND CurrentPage() { return Page; }

HWND CurrentMessageBox() {
  // Boxes owned by no window (the page's "Unable to install" texts) count too.
  Search search{nullptr, true};
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

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
