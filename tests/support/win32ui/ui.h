// Driving the windows of another process as a person would: finding its
// visible top-level windows by process, class and caption, recognising its
// message boxes, reading control texts, typing and clicking. Reads and typing
// go through messages (they work across processes); clicks are posted, so a
// click whose handler shows a message box does not block the caller. A hidden
// or disabled control is never clicked. Every wait polls every 50 ms up to a
// limit and reports failure instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace win32ui {

constexpr DWORD PollStepMs = 50;

// Calls done until it answers true, at most timeoutMs / PollStepMs + 1 times
// with a pause of PollStepMs between calls; true when done answered true.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The process that owns a window.
DWORD WindowProcess(HWND window);
// The visible top-level windows of a process (of every process for 0), in
// the system's z-order.
std::vector<HWND> TopWindows(DWORD processId);
// The first visible top-level window with this class and caption (null for
// "any"), of one process or (0) of any; null when there is none.
HWND FindTopWindow(const char* className, const char* caption, DWORD processId = 0);

std::string ClassOf(HWND window);
// The caption the system keeps for a window: no message is sent, so this
// answers also while the owning thread is busy.
std::string CaptionOf(HWND window);
// A window's or control's text, read with WM_GETTEXT (waits up to 5 s for
// the owning thread; "" when it does not answer).
std::string TextOf(HWND window);
// The text of a dialog's control; "" when the dialog has no such control.
std::string ItemText(HWND dialog, int id);

// The static control of a message box that holds its text.
constexpr int MessageBoxTextId = 0xFFFF;
// True for a message box: a dialog ("#32770") with the static 0xFFFF.
bool IsMessageBox(HWND window);
// The text of a message box ("" when the window has no static 0xFFFF).
std::string MessageBoxText(HWND box);

// Clicks a visible, enabled button of a dialog by posting BM_CLICK; false
// when there is no such button or the post fails.
bool Click(HWND dialog, int id);
// Types text into a control (WM_SETTEXT); true when the control then holds it.
bool Type(HWND dialog, int id, const std::string& text);

// Every entry of a list box; read as UTF-16 (what arrives across processes)
// and converted to the ANSI code page.
std::vector<std::string> ListBoxItems(HWND listBox);

// Waits until the window is destroyed or hidden.
bool WaitUntilGone(HWND window, DWORD timeoutMs);

}  // namespace win32ui
