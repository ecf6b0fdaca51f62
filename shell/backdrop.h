// The backdrop: a borderless window of class "ZKSetupClass" over the whole
// primary screen, painted with a vertical gradient from blue (top) to yellow
// (bottom) and the product title with a drop shadow near its upper left
// corner. It owns every page and box of the setup and colours the message
// boxes it owns (white text on RGB(20, 80, 140)).
#pragma once

#include <windows.h>
#include <cstdint>

constexpr char BackdropClassName[] = "ZKSetupClass";

// The brush of the message boxes owned by the backdrop; made at WM_CREATE,
// deleted at WM_DESTROY, null otherwise or when it could not be made.
extern HBRUSH MessageBoxBrush;

// Registers "ZKSetupClass" (icon group 102, the arrow cursor, no background
// brush). The result is not needed: a failed registration shows up as a
// failed window creation.
void RegisterBackdropClass(HINSTANCE instance);

// The title font: 32 high, 14 wide, italic, face chosen by the font mapper.
HFONT CreateTitleFont();

// Creates the hidden full-screen popup window titled with the product title.
// It paints the rows of each update rectangle between its left and right
// edges (PaintBackdrop) and colours the boxes it owns (WM_CTLCOLORMSGBOX);
// its destruction deletes the box brush and posts the quit message.
HWND CreateBackdropWindow(HINSTANCE instance);

// Paints rows top..bottom-1 of the gradient between x = left and right - 1,
// then the title (when Setup.TitleFont is not null) at (10, height / 40) over
// its shadow 3 pixels lower and to the right. Reads the screen height anew at
// every paint (see GradientLevelFor).
void PaintBackdrop(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
