// What one run of the uninstaller did, and the text of the box that tells
// the user. Portable, so the wording and the limits are tested natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sweeper {

struct RemovalReport {
  // Set when the removal could not begin (no registration, an unusable
  // directory, an unreadable list): then nothing was changed.
  std::string stopReason;
  int filesRemoved = 0;
  int directoriesRemoved = 0;
  int shortcutsRemoved = 0;
  std::vector<std::string> notRemoved;  // "C:\\...\\FILE (error 5)", registry keys ...
  std::vector<std::string> kept;        // folders kept because they hold other files
  std::vector<std::string> refused;     // list lines not acted on, with the reason
  std::vector<std::string> notes;       // anything else worth telling
};

// 0: everything of the product is gone (folders kept for the user's own
// files do not count against it); 1: something could not be removed, a line
// was refused, or the removal could not begin.
int ReportExitCode(const RemovalReport& report);

// The text of the final box. Each list shows at most maxItems entries and
// then says how many more there are, so the box stays on the screen.
std::string FormatReport(const RemovalReport& report, size_t maxItems);

}  // namespace sweeper
