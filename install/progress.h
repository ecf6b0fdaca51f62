// The progress page's two displays, addressed through Setup.ProgressPage:
// the bar (1016) with its percentage text (1018), and the status line (1027).
#pragma once

#include <cstdint>

// Control ids on the progress page.
constexpr int ProgressBarId = 1016;
constexpr int ProgressPercentTextId = 1018;
constexpr int ProgressStatusTextId = 1027;

// Moves the bar to percent (its range is the default 0..100) and shows the
// percentage as "%3d%% complete", e.g. "  5% complete". A control that already
// shows its value is left alone (no repaint).
void SetProgress(int32_t percent);

// Shows text as the status line.
void SetStatusText(const char* text);

// The percentage text for percent, as SetProgress shows it (out: 50 bytes).
void FormatPercentText(int32_t percent, char* out, int size);
