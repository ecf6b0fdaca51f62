#include "pages/picture_control.h"

#include <cstdlib>

namespace {

PictureRecord* RecordOf(HWND control) {
  return reinterpret_cast<PictureRecord*>(GetWindowLongPtrA(control, GWLP_USERDATA));
}

}  // namespace

int AttachPicture(HWND control, HBITMAP bitmap, int32_t option) {
  if (control == nullptr || bitmap == nullptr) return 0;
  auto* record = static_cast<PictureRecord*>(std::calloc(1, sizeof(PictureRecord)));
  if (record == nullptr) return 0;

  record->MemoryDc = CreateCompatibleDC(nullptr);
  record->PreviousBitmap = SelectObject(record->MemoryDc, bitmap);
  record->Control = control;
  record->PreviousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureWndProc)));
  record->Option = option;
  SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
  return 1;
}

int DetachPicture(HWND control) {
  if (control == nullptr) return 0;
  PictureRecord* record = RecordOf(control);
  if (record == nullptr) return 0;

  SelectObject(record->MemoryDc, record->PreviousBitmap);
  DeleteDC(record->MemoryDc);
  SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->PreviousProc));
  SetWindowLongPtrA(control, GWLP_USERDATA, 0);
  std::free(record);
  return 1;
}

LRESULT CALLBACK PictureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PictureRecord* record = RecordOf(window);
  if (record == nullptr) return 0;

  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc != nullptr) {
        RECT rect;
        GetWindowRect(window, &rect);
        BitBlt(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top, record->MemoryDc, 0, 0,
               SRCCOPY);
      }
      EndPaint(window, &paint);
      return CallWindowProcA(record->PreviousProc, window, message, wParam, lParam);
    }
    case WM_DESTROY:
      DetachPicture(window);
      return 1;
    default:
      return CallWindowProcA(record->PreviousProc, window, message, wParam, lParam);
  }
}
