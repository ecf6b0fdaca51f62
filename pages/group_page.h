// The program-group page (template 119): the user types the start-menu group
// or double-clicks one of the existing groups (the folders of the user's
// Programs folder), and chooses whether a desktop shortcut is made.
// Outcomes: 1 Next (Setup.ProgramGroup holds the field's text, an empty name
// included), 2 Back, 3 Cancel. The check box 1021 and
// Setup.WantDesktopShortcut always agree.
#pragma once

#include <windows.h>

// Slots of the group name table; names found beyond it are not listed.
constexpr int GroupNameSlots = 64;
constexpr int GroupNameSize = 1025;

// Slot i holds the name shown at position i of list box 1015.
extern char GroupNameTable[GroupNameSlots][GroupNameSize];
extern int GroupNameCount;

INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// True when a directory entry is listed as a program group.
bool IsListedGroup(const char* name, DWORD attributes);
