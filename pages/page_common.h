// What every page does alike: at WM_INITDIALOG it loads its bitmap, attaches
// it to the picture slot 1009 and sends WM_SETICON with Setup.PageIcon; at
// WM_CLOSE, and again when its window is destroyed (after EndDialog or
// DestroyWindow), it detaches the picture and deletes the bitmap, so a page
// that ends through its buttons releases its bitmap as well. Each page keeps
// its bitmap in a variable of its own, null whenever it holds none.
#pragma once

#include <windows.h>

// The bitmap variables of the six pages (read by the tests).
struct PageBitmaps {
  HBITMAP Welcome;
  HBITMAP Installed;
  HBITMAP Destination;
  HBITMAP Group;
  HBITMAP Progress;
  HBITMAP Finish;
};
extern PageBitmaps PageBitmap;

// Loads bitmap bitmapId at its own size into *bitmap and attaches it to
// control 1009 of page (nothing is shown when either is missing).
void LoadPagePicture(HWND page, int bitmapId, HBITMAP* bitmap);

// Sends WM_SETICON (ICON_SMALL) with Setup.PageIcon.
void SendPageIcon(HWND page);

// Detaches the picture of control 1009 and deletes *bitmap if it holds one;
// afterwards *bitmap is null. Safe to call any number of times.
void ReleasePagePicture(HWND page, HBITMAP* bitmap);
