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
  SendDlgItemMessageA(Setup.ProgressPage, ProgressBarId, PBM_SETPOS,
                      static_cast<WPARAM>(percent), 0);
  char text[50];
  FormatPercentText(percent, text, sizeof(text));
  SetDlgItemTextA(Setup.ProgressPage, ProgressPercentTextId, text);
}

void SetStatusText(const char* text) {
  SetDlgItemTextA(Setup.ProgressPage, ProgressStatusTextId, text);
}
