#include "shell/backdrop.h"

#include "resources/resource_ids.h"
#include "shell/base/setup_state.h"
#include "shell/gradient.h"

HBRUSH MessageBoxBrush;

namespace {

constexpr COLORREF MessageBoxBackground = RGB(20, 80, 140);
constexpr COLORREF MessageBoxText = RGB(255, 255, 255);
constexpr COLORREF TitleShadow = RGB(10, 10, 10);
constexpr COLORREF TitleText = RGB(250, 250, 250);

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace

void RegisterBackdropClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = BackdropWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  windowClass.hbrBackground = nullptr;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = BackdropClassName;
  RegisterClassA(&windowClass);
}

HFONT CreateTitleFont() {
  return CreateFontA(32, 14, 0, 0, FW_NORMAL, 1, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
}

HWND CreateBackdropWindow(HINSTANCE instance) {
  return CreateWindowExA(0, BackdropClassName, ProductTitle, WS_POPUP, 0, 0,
                         GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                         nullptr, instance, nullptr);
}

void PaintBackdrop(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int32_t height = GetSystemMetrics(SM_CYSCREEN);
  for (int32_t y = top; y < bottom; ++y) {
    HPEN pen = CreatePen(PS_SOLID, 1, GradientColour(GradientLevelFor(y, height)));
    HGDIOBJ previousPen = SelectObject(dc, pen);
    MoveToEx(dc, left, y, nullptr);
    LineTo(dc, right, y);
    SelectObject(dc, previousPen);
    DeleteObject(pen);
  }
  if (Setup.TitleFont == nullptr) return;

  const int previousMode = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ previousFont = SelectObject(dc, Setup.TitleFont);
  const COLORREF previousColour = SetTextColor(dc, TitleShadow);
  const int titleY = height / 40;
  TextOutA(dc, 13, titleY + 3, ProductTitle, ProductTitleLength);
  SetTextColor(dc, TitleText);
  TextOutA(dc, 10, titleY, ProductTitle, ProductTitleLength);
  SelectObject(dc, previousFont);
  SetBkMode(dc, previousMode);
  SetTextColor(dc, previousColour);
}

namespace {

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      MessageBoxBrush = CreateSolidBrush(MessageBoxBackground);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
      if (MessageBoxBrush != nullptr) {
        DeleteObject(MessageBoxBrush);
        MessageBoxBrush = nullptr;
      }
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      PaintBackdrop(dc, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                    paint.rcPaint.bottom);
      EndPaint(window, &paint);
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_CTLCOLORMSGBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, MessageBoxText);
      SetBkColor(dc, MessageBoxBackground);
      return reinterpret_cast<LRESULT>(MessageBoxBrush);
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace
