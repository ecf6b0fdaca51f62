// The picture control: a child window of a page, subclassed so that it paints
// a bitmap from a memory device context. The record of an attached control is
// reachable from the control alone (its GWLP_USERDATA slot). The bitmap itself
// belongs to the page; the record only has it selected into its memory DC.
#pragma once

#include <windows.h>
#include <cstdint>

struct PictureRecord {
  HWND Control;           // the control that paints the bitmap
  WNDPROC PreviousProc;   // its window procedure before subclassing
  int32_t Option;         // given by the caller; not read by any operation
  HDC MemoryDc;           // compatible with the screen, holds the bitmap
  HGDIOBJ PreviousBitmap; // the DC's own bitmap, put back at detach
};

// Selects bitmap into a new memory DC and subclasses control with
// PictureWndProc. Returns 1 when the control now paints the bitmap, 0 when
// nothing was attached (control or bitmap null, no memory for the record).
int AttachPicture(HWND control, HBITMAP bitmap, int32_t option);

// Gives the bitmap back to the page (the DC gets its own bitmap again),
// deletes the DC, restores the window procedure and frees the record.
// Returns 1 when a record was released, 0 when control is null or holds none.
int DetachPicture(HWND control);

// Window procedure of an attached control: WM_PAINT copies the control's
// window-rectangle size from the bitmap's top-left corner, WM_DESTROY
// detaches; everything else goes to the previous procedure.
LRESULT CALLBACK PictureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
