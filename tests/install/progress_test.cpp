// The progress page's displays, on a stand-in page that records what each
// control is told: the bar and its percentage text, the status line, and how
// often the extraction's reports reach them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/progress.h"
#include "shell/base/setup_state.h"
#include "tests/install/recorder_page.h"

TEST(Progress, PercentTextAndBarFollowEachOther) {
  char text[50];
  FormatPercentText(5, text, sizeof(text));
  EXPECT_STREQ(text, "  5% complete");
  FormatPercentText(100, text, sizeof(text));
  EXPECT_STREQ(text, "100% complete");
  FormatPercentText(0, text, sizeof(text));
  EXPECT_STREQ(text, "  0% complete");

  HWND page = CreateRecorderPage(GetModuleHandleA(nullptr));
  ASSERT_NE(page, nullptr);
  ::Setup.ProgressPage = page;
  ClearRecordedLines();
  SetProgress(42);
  SetStatusText("Extracting game files...");
  const std::vector<std::string> expected = {"bar 42", "text 1018  42% complete",
                                             "text 1027 Extracting game files..."};
  EXPECT_EQ(RecordedLines(), expected);
  DestroyWindow(page);
  ::Setup.ProgressPage = nullptr;
}

TEST(Progress, ExtractionReportsAreShownAtMostOncePerInterval) {
  HWND page = CreateRecorderPage(GetModuleHandleA(nullptr));
  ASSERT_NE(page, nullptr);
  ::Setup.ProgressPage = page;
  ClearRecordedLines();
  const uint32_t t = 0xFFFFFFF0u;  // the tick count wraps in the middle of this run
  SetProgress(0);  // as the install sequence starts: the bar stands at 0 already
  ResetExtractionProgress();
  ShowExtractionProgressAt(0, t);       // what the bar already shows: nothing to change
  ShowExtractionProgressAt(3, t + 1);   // the first change is shown at once
  ShowExtractionProgressAt(4, t + 2);   // too soon
  ShowExtractionProgressAt(5, t + ExtractionProgressIntervalMs);  // 99 ms on: too soon
  ShowExtractionProgressAt(6, t + 1 + ExtractionProgressIntervalMs);  // due (after the wrap)
  ShowExtractionProgressAt(6, t + 500);  // unchanged: no repaint, the interval runs on
  ShowExtractionProgressAt(7, t + 501);  // due at once
  ResetExtractionProgress();
  ShowExtractionProgressAt(8, t + 502);  // a new extraction shows its first change at once
  SetProgress(95);                       // the sequence's own steps are never held back
  const std::vector<std::string> expected = {
      "text 1018   0% complete",
      "bar 3", "text 1018   3% complete", "bar 6", "text 1018   6% complete",
      "bar 7", "text 1018   7% complete", "bar 8", "text 1018   8% complete",
      "bar 95", "text 1018  95% complete"};
  EXPECT_EQ(RecordedLines(), expected);
  DestroyWindow(page);
  ::Setup.ProgressPage = nullptr;
}
