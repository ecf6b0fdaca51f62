// The four simple pages: welcome (template 112), already installed (117),
// progress (120, modeless) and finish (123). Each is a dialog procedure that
// answers FALSE to every message and ends its page with EndDialog and the
// page outcome of the button pressed; no page acts on IDCANCEL, so neither
// Escape nor Alt+F4 ends a page.
//   welcome:   1000 -> 1, 1001 -> 2; focus on 1000
//   installed: 1007 -> 1, 1008 -> 2; focus on 1007
//   progress:  ignores every command; the install sequence ends it
//   finish:    1019 -> 1, 1020 -> 2
#pragma once

#include <windows.h>

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstalledPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Makes sure the common-controls progress bar class ("msctls_progress32",
// control 1016 of the progress page) exists before the progress page is
// created.
void RegisterProgressClass();
