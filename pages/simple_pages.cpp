#include "pages/simple_pages.h"

#include <commctrl.h>

#include "pages/page_common.h"
#include "resources/resource_ids.h"
#include "shell/base/page_outcome.h"

namespace {

// The behaviour shared by the four simple pages, given the page's bitmap
// variable and id, its initial focus (0: none) and its two command ids
// (0: the page ends through no command).
struct SimplePage {
  HBITMAP* Bitmap;
  int BitmapId;
  int FocusId;
  int ForwardId;
  int BackId;
};

INT_PTR HandleSimplePage(const SimplePage& self, HWND page, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      LoadPagePicture(page, self.BitmapId, self.Bitmap);
      SendPageIcon(page);
      if (self.FocusId != 0) SetFocus(GetDlgItem(page, self.FocusId));
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (self.ForwardId != 0 && id == self.ForwardId) EndDialog(page, PageForward);
      else if (self.BackId != 0 && id == self.BackId) EndDialog(page, PageBack);
      break;
    }
    case WM_CLOSE:
    case WM_DESTROY:
      ReleasePagePicture(page, self.Bitmap);
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  static const SimplePage self{&PageBitmap.Welcome, IDB_WELCOME, IDC_INSTALL_NOW, IDC_INSTALL_NOW,
                               IDC_DONT_INSTALL};
  return HandleSimplePage(self, page, message, wParam);
}

INT_PTR CALLBACK InstalledPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  static const SimplePage self{&PageBitmap.Installed, IDB_INSTALLED, IDC_START_NOW, IDC_START_NOW,
                               IDC_DONT_START};
  return HandleSimplePage(self, page, message, wParam);
}

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  static const SimplePage self{&PageBitmap.Progress, IDB_PROGRESS, 0, 0, 0};
  return HandleSimplePage(self, page, message, wParam);
}

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  static const SimplePage self{&PageBitmap.Finish, IDB_FINISH, 0, IDC_PLAY_NOW, IDC_DONT_PLAY};
  return HandleSimplePage(self, page, message, wParam);
}

void RegisterProgressClass() {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);
}
