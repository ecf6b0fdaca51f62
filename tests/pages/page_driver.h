// Drives a modal page of the test's own thread: a thread timer fires inside
// the page's (and any message box's) modal loop and runs scripted steps, one
// after the other; a step returns true when it is done. Gives up (ending the
// dialog with -99) when a step never completes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using PageStep = std::function<bool()>;

// Shows template templateId with procedure modally and runs steps; returns
// the dialog result.
INT_PTR RunPage(int templateId, DLGPROC procedure, std::vector<PageStep> steps);

// The page being shown (null when none).
HWND CurrentPage();

// The message box shown over the page (class "#32770" with a static 0xFFFF),
// or null.
HWND CurrentMessageBox();

// The shell's folder browser shown over the page (a "#32770" dialog holding
// a tree of folders), or null.
HWND CurrentFolderBrowser();

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
