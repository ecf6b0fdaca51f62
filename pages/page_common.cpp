#include "pages/page_common.h"

#include "pages/picture_control.h"
#include "resources/resource_ids.h"
#include "shell/base/setup_state.h"

PageBitmaps PageBitmap;

void LoadPagePicture(HWND page, int bitmapId, HBITMAP* bitmap) {
  // A page shown again loads afresh; never keep two bitmaps at once.
  ReleasePagePicture(page, bitmap);
  *bitmap = static_cast<HBITMAP>(LoadImageA(Setup.ModuleInstance, MAKEINTRESOURCEA(bitmapId),
                                            IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  AttachPicture(GetDlgItem(page, IDC_PICTURE), *bitmap, 0);
}

void SendPageIcon(HWND page) {
  SendMessageA(page, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Setup.PageIcon));
}

void ReleasePagePicture(HWND page, HBITMAP* bitmap) {
  DetachPicture(GetDlgItem(page, IDC_PICTURE));
  if (*bitmap != nullptr) {
    DeleteObject(*bitmap);
    *bitmap = nullptr;
  }
}
