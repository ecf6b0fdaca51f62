// Driving the setup from another process as a person would: finding its
// pages by caption and controls, reading what they show, typing, clicking,
// double-clicking list entries and answering its message boxes. Every wait
// polls with a limit; a control that is hidden or disabled is never clicked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32ui/process.h"
#include "tests/support/win32ui/ui.h"

namespace e2e {

// Shared with the other test areas: visible top-level windows of a process,
// classes, captions, texts read with WM_GETTEXT (works across processes;
// waits for the owning thread to answer), typing (WM_SETTEXT) and clicking a
// visible, enabled button (posted BM_CLICK).
using win32ui::CaptionOf;
using win32ui::ClassOf;
using win32ui::Click;
using win32ui::ItemText;
using win32ui::TextOf;
using win32ui::TopWindows;
using win32ui::Type;

// The setup process being driven.
struct Target {
  win32ui::Process Process;
  DWORD ProcessId() const { return Process.id; }
};

// Starts program (a Windows path) with its own directory as the current one.
bool Launch(const std::string& program, Target* target);
// Waits up to seconds for the process to end; false when it still runs.
bool WaitExit(Target& target, double seconds, DWORD* exitCode);
bool IsRunning(Target& target);
void Kill(Target& target);

// A page: a visible dialog of the process with this caption that holds every
// control in ids. Null when none appears within seconds.
HWND WaitPage(Target& target, const std::string& caption, const std::vector<int>& ids,
              double seconds = 20);
// The page now shown, if any (same test, no waiting).
HWND FindPage(Target& target, const std::string& caption, const std::vector<int>& ids);

struct Box {
  HWND Window = nullptr;
  std::string Caption;
  std::string Text;
};
// A message box of the process: a dialog with the static text 0xFFFF.
Box WaitBox(Target& target, double seconds = 20);
Box FindBox(Target& target);
// Presses the box's button (IDOK, IDYES, IDNO ...) and waits until it is gone.
bool AnswerBox(const Box& box, int button);

bool IsEnabled(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Every entry of a list box (read as UTF-16 across processes).
std::vector<std::string> ListEntries(HWND dialog, int id);
// Double-clicks entry index of a list box with the mouse messages.
bool DoubleClickEntry(HWND dialog, int id, int index);
// The keys Escape and Alt+F4, sent to the page as keyboard input and as the
// messages they produce.
void PressEscape(HWND page);
void PressAltF4(HWND page);

// Waits until window is gone (or hidden) within seconds.
bool WaitGone(HWND window, double seconds = 20);
// Lets the screen settle before a picture or an assertion on absence.
void Settle(int milliseconds = 400);

// The folder browser: finds the item whose text ends with lastText below the
// item whose text ends with parentText (either may be a drive " (C:)"),
// selects it and presses OK.
bool ChooseInFolderBrowser(Target& target, const std::vector<std::string>& pathTexts,
                           std::string* problem);

}  // namespace e2e
