#include "install/progress.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "resources/resource_ids.h"
#include "shell/base/setup_state.h"

void FormatPercentText(int32_t percent, char* out, int size) {
  std::memset(out, 0, size);
  std::snprintf(out, size, "%3d%% complete", static_cast<int>(percent));
}

bool SetProgress(int32_t percent) {
  // Setting a static's text repaints it at once, so the controls are only touched when
  // what they show changes.
  char text[50];
  FormatPercentText(percent, text, sizeof(text));
  bool changed = false;
  const LRESULT shownPosition =
      SendDlgItemMessageA(Setup.ProgressPage, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0);
  if (shownPosition != percent) {
    SendDlgItemMessageA(Setup.ProgressPage, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(percent), 0);
    changed = true;
  }
  char shownText[50] = {};
  GetDlgItemTextA(Setup.ProgressPage, IDC_PERCENT_TEXT, shownText, sizeof(shownText));
  if (std::strcmp(shownText, text) != 0) {
    SetDlgItemTextA(Setup.ProgressPage, IDC_PERCENT_TEXT, text);
    changed = true;
  }
  return changed;
}

namespace {

bool ExtractionShownYet = false;
uint32_t ExtractionShownAt = 0;  // tick count of the last change shown

}  // namespace

void ResetExtractionProgress() { ExtractionShownYet = false; }

void ShowExtractionProgressAt(int32_t percent, uint32_t nowMs) {
  // Unsigned difference: right across the tick count's wrap after 49.7 days.
  if (ExtractionShownYet && nowMs - ExtractionShownAt < ExtractionProgressIntervalMs) return;
  if (SetProgress(percent)) {
    ExtractionShownYet = true;
    ExtractionShownAt = nowMs;
  }
}

void ShowExtractionProgress(int32_t percent) {
  ShowExtractionProgressAt(percent, static_cast<uint32_t>(GetTickCount()));
}

void SetStatusText(const char* text) {
  SetDlgItemTextA(Setup.ProgressPage, IDC_STATUS_TEXT, text);
}
