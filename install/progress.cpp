#include "install/progress.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "shell/setup_state.h"

void FormatPercentText(int32_t percent, char* out, int size) {
  std::memset(out, 0, size);
  std::snprintf(out, size, "%3d%% complete", static_cast<int>(percent));
}

void SetProgress(int32_t percent) {
  // The engine reports after each of its writes, about ten times per percent; the
  // controls are only touched when what they show changes, since setting a static's
  // text repaints it at once.
  char text[50];
  FormatPercentText(percent, text, sizeof(text));
  const LRESULT shownPosition = SendDlgItemMessageA(Setup.ProgressPage, ProgressBarId, PBM_GETPOS, 0, 0);
  if (shownPosition != percent) {
    SendDlgItemMessageA(Setup.ProgressPage, ProgressBarId, PBM_SETPOS,
                        static_cast<WPARAM>(percent), 0);
  }
  char shownText[50] = {};
  GetDlgItemTextA(Setup.ProgressPage, ProgressPercentTextId, shownText, sizeof(shownText));
  if (std::strcmp(shownText, text) != 0) {
    SetDlgItemTextA(Setup.ProgressPage, ProgressPercentTextId, text);
  }
}

void SetStatusText(const char* text) {
  SetDlgItemTextA(Setup.ProgressPage, ProgressStatusTextId, text);
}
