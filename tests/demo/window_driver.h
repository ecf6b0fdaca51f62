// Helpers for driving the demo's programs from another process, as a user
// would: start a program, find its windows and message boxes, read their
// texts, click their buttons, wait for the program to end. Every wait polls
// with a generous limit and reports failure instead of hanging. The window,
// process and file helpers themselves are the shared ones of tests/support/win32ui.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32ui/process.h"
#include "tests/support/win32ui/system.h"
#include "tests/support/win32ui/ui.h"

namespace driver {

constexpr DWORD DefaultWait = 20000;  // ms

// The folder of the programs under test, as a Windows path (set by main).
extern std::string ProgramsDir;

// "/work/x" -> "Z:\\work\\x"; a Windows path is returned unchanged.
std::string ToWindowsPath(const std::string& path);

using win32ui::Process;
using win32ui::Close;

// Starts program with arguments (may be empty) in directory; false on failure.
bool Start(const std::string& program, const std::string& arguments, const std::string& directory,
           Process* process);

// Waits for the process to end and gives its exit code; false on timeout.
inline bool WaitForExit(const Process& process, DWORD* exitCode, DWORD timeout = DefaultWait) {
  return win32ui::WaitForExit(process, exitCode, timeout);
}

// A visible top-level window with this class and caption (either may be
// null for "any"), optionally only of one process; null after the timeout.
HWND WaitForWindow(const char* className, const char* caption, DWORD processId = 0,
                   DWORD timeout = DefaultWait);

// The text of a message box (its static control 0xFFFF), clicking a visible,
// enabled button with PostMessage(BM_CLICK), the process that owns a window
// and the items of a list box in another process.
using win32ui::Click;
using win32ui::ListBoxItems;
using win32ui::MessageBoxText;
using win32ui::WindowProcess;

// Waits until the window is gone.
inline bool WaitUntilGone(HWND window, DWORD timeout = DefaultWait) {
  return win32ui::WaitUntilGone(window, timeout);
}

// File-system helpers for the scratch folders of the tests.
using win32ui::IsDirectory;
using win32ui::PathExists;
using win32ui::ReadWholeFile;
using win32ui::RemoveTree;  // also read-only files
using win32ui::WriteWholeFile;
// Names (relative, backslash-separated) of everything below a folder,
// folders with a trailing backslash, sorted.
std::vector<std::string> ListTree(const std::string& root);

}  // namespace driver
