// The progress page's two displays, addressed through Setup.ProgressPage:
// the bar (IDC_PROGRESS_BAR, 1016) with its percentage text (IDC_PERCENT_TEXT,
// 1018), and the status line (IDC_STATUS_TEXT, 1027).
#pragma once

#include <cstdint>

// Moves the bar to percent (its range is the default 0..100) and shows the
// percentage as "%3d%% complete", e.g. "  5% complete". A control that already
// shows its value is left alone (no repaint). True when either control changed.
bool SetProgress(int32_t percent);

// The engine's reports while it extracts (it reports after every write, about ten
// times per percent), passed to SetProgress at most once per
// ExtractionProgressIntervalMs of the tick count: each repaint of the bar and its text
// takes the whole extraction's time, and on a slow display (a remote or emulated one)
// a repaint costs milliseconds. A change is shown at once when the display has not
// changed for that long. ShowExtractionProgressAt takes the tick count as an argument;
// ResetExtractionProgress starts a new extraction (its first change is shown at once).
constexpr uint32_t ExtractionProgressIntervalMs = 100;
void ShowExtractionProgress(int32_t percent);
void ShowExtractionProgressAt(int32_t percent, uint32_t nowMs);
void ResetExtractionProgress();

// Shows text as the status line.
void SetStatusText(const char* text);

// The percentage text for percent, as SetProgress shows it (out: 50 bytes).
void FormatPercentText(int32_t percent, char* out, int size);
