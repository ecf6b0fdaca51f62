// Helpers for driving the demo's programs from another process, as a user
// would: start a program, find its windows and message boxes, read their
// texts, click their buttons, wait for the program to end. Every wait polls
// with a generous limit and reports failure instead of hanging.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

constexpr DWORD DefaultWait = 20000;  // ms

// The folder of the programs under test, as a Windows path (set by main).
extern std::string ProgramsDir;

// "/work/x" -> "Z:\\work\\x"; a Windows path is returned unchanged.
std::string ToWindowsPath(const std::string& path);

struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
};

// Starts program with arguments (may be empty) in directory; false on failure.
bool Start(const std::string& program, const std::string& arguments, const std::string& directory,
           Process* process);

// Waits for the process to end and gives its exit code; false on timeout.
bool WaitForExit(const Process& process, DWORD* exitCode, DWORD timeout = DefaultWait);
void Close(Process& process);

// A visible top-level window with this class and caption (either may be
// null for "any"), optionally only of one process; null after the timeout.
HWND WaitForWindow(const char* className, const char* caption, DWORD processId = 0,
                   DWORD timeout = DefaultWait);

// The window's text (works across processes).
std::string Text(HWND window);

// The text of a message box: its static control 0xFFFF.
std::string MessageBoxText(HWND box);

// Clicks a visible, enabled button of a dialog with PostMessage(BM_CLICK);
// false when there is no such button.
bool Click(HWND dialog, int buttonId);

// Waits until the window is gone.
bool WaitUntilGone(HWND window, DWORD timeout = DefaultWait);

// The process that owns a window.
DWORD WindowProcess(HWND window);

// The items of a list box in another process.
std::vector<std::string> ListBoxItems(HWND listBox);

// File-system helpers for the scratch folders of the tests.
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);
void RemoveTree(const std::string& path);  // also read-only files
// Names (relative, backslash-separated) of everything below a folder,
// folders with a trailing backslash, sorted.
std::vector<std::string> ListTree(const std::string& root);

}  // namespace driver
