// The backdrop window under the real window system: the gradient and the
// title painted into a bitmap of the screen's size, the window itself and the
// colours of the message boxes it owns.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "shell/backdrop.h"
#include "shell/base/setup_state.h"
#include "shell/gradient.h"

namespace {

class BackdropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::Setup.ModuleInstance = GetModuleHandleA(nullptr);
    ::Setup.MainWindow = nullptr;
  }
};

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

TEST_F(BackdropTest, BackdropPaintsExactlyTheRowsAskedForWithTheGradient) {
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

TEST_F(BackdropTest, BackdropWritesTheTitleWithItsShadow) {
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

TEST_F(BackdropTest, RepaintKeepsToTheUpdateRectanglesLeftAndRight) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  ::Setup.TitleFont = nullptr;
  Canvas canvas(width, height);
  GdiFlush();
  PaintBackdrop(canvas.Dc, 200, 100, 400, 200);
  GdiFlush();
  const COLORREF untouched = RGB(255, 0, 255);
  for (int y : {100, 150, 199}) {
    const int v = GradientLevelFor(y, height);
    EXPECT_EQ(canvas.At(200, y), RGB(v, v, 255 - v)) << "left edge, row " << y;
    EXPECT_EQ(canvas.At(399, y), RGB(v, v, 255 - v)) << "last column, row " << y;
    EXPECT_EQ(canvas.At(199, y), untouched) << "left of the rectangle, row " << y;
    EXPECT_EQ(canvas.At(400, y), untouched) << "right of the rectangle, row " << y;
    EXPECT_EQ(canvas.At(0, y), untouched) << y;
    EXPECT_EQ(canvas.At(width - 1, y), untouched) << y;
  }
  EXPECT_EQ(canvas.At(300, 99), untouched);
  EXPECT_EQ(canvas.At(300, 200), untouched);
}

// Where the title font puts ink when the title is written at (0, 0): the
// pixels it covers fully and those it touches at all.
struct TitleInk {
  std::vector<bool> Full, Any;
  int Width, Height;
  bool FullAt(int x, int y) const { return Inside(x, y) && Full[y * Width + x]; }
  bool AnyAt(int x, int y) const { return Inside(x, y) && Any[y * Width + x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
};

TitleInk MeasureTitle(HFONT font, int width, int height) {
  Canvas canvas(width, height);
  for (int i = 0; i < width * height; ++i) canvas.Pixels[i] = 0;
  HGDIOBJ previous = SelectObject(canvas.Dc, font);
  SetBkMode(canvas.Dc, TRANSPARENT);
  SetTextColor(canvas.Dc, RGB(250, 250, 250));
  TextOutA(canvas.Dc, 0, 0, ProductTitle, ProductTitleLength);
  SelectObject(canvas.Dc, previous);
  GdiFlush();
  TitleInk ink{std::vector<bool>(width * height), std::vector<bool>(width * height), width, height};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ink.Full[y * width + x] = canvas.At(x, y) == RGB(250, 250, 250);
      ink.Any[y * width + x] = canvas.At(x, y) != RGB(0, 0, 0);
    }
  }
  return ink;
}

// On a 768-row screen the title is written at (10, 19) and its shadow at
// (13, 22): every pixel the title covers fully shows the title's colour there,
// and every one its shadow covers fully, where the title does not reach, the
// shadow's colour.
TEST_F(BackdropTest, TitleAtTenNineteenAndItsShadowAtThirteenTwentyTwo) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (height != 768) GTEST_SKIP() << "the screen has " << height << " rows, not 768";
  ::Setup.TitleFont = CreateTitleFont();
  ASSERT_NE(::Setup.TitleFont, nullptr);
  const TitleInk ink = MeasureTitle(::Setup.TitleFont, width / 2, 80);
  Canvas canvas(width, height);
  PaintBackdrop(canvas.Dc, 0, 0, width, height);
  GdiFlush();
  int titlePixels = 0, shadowPixels = 0, wrong = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < width / 2 + 20; ++x) {
      const COLORREF shown = canvas.At(x, y);
      if (ink.FullAt(x - 10, y - 19)) {
        ++titlePixels;
        if (shown != RGB(250, 250, 250)) ++wrong;
      } else if (ink.FullAt(x - 13, y - 22) && !ink.AnyAt(x - 10, y - 19)) {
        ++shadowPixels;
        if (shown != RGB(10, 10, 10)) ++wrong;
      } else if (!ink.AnyAt(x - 10, y - 19) && !ink.AnyAt(x - 13, y - 22)) {
        const int v = GradientLevelFor(y, height);
        if (shown != RGB(v, v, 255 - v)) ++wrong;  // the gradient, untouched by the title
      }
    }
  }
  EXPECT_GT(titlePixels, 100);
  EXPECT_GT(shadowPixels, 20);
  EXPECT_EQ(wrong, 0) << "pixels that do not match a title at (10, 19) over its shadow at (13, 22)";
  DeleteObject(::Setup.TitleFont);
  ::Setup.TitleFont = nullptr;
}

TEST_F(BackdropTest, BackdropColoursItsMessageBoxesAndDropsItsBrush) {
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
