#include "demo/sweeper/removal_report.h"

#include "demo/sweeper/product_layout.h"

namespace sweeper {

int ReportExitCode(const RemovalReport& report) {
  if (!report.stopReason.empty()) return 1;
  return report.notRemoved.empty() && report.refused.empty() ? 0 : 1;
}

static void AppendSection(std::string& text, const char* heading,
                          const std::vector<std::string>& items, size_t maxItems) {
  if (items.empty()) return;
  text += "\n\n";
  text += heading;
  size_t shown = items.size() < maxItems ? items.size() : maxItems;
  for (size_t i = 0; i < shown; ++i) text += "\n    " + items[i];
  if (shown < items.size()) {
    text += "\n    ... and " + std::to_string(items.size() - shown) + " more.";
  }
}

std::string FormatReport(const RemovalReport& report, size_t maxItems) {
  std::string text;
  if (!report.stopReason.empty()) {
    text = std::string(ProductTitle) + " could not be removed: " + report.stopReason +
           "\n\nNothing was changed.";
    return text;
  }
  if (report.notRemoved.empty() && report.refused.empty()) {
    text = std::string(ProductTitle) + " was removed from your computer.";
  } else {
    text = std::string(ProductTitle) + " was removed, but some items could not be removed.";
  }
  text += "\n\nRemoved: " + std::to_string(report.filesRemoved) + " files, " +
          std::to_string(report.directoriesRemoved) + " folders, " +
          std::to_string(report.shortcutsRemoved) + " shortcuts.";
  AppendSection(text, "These items could not be removed; you may delete them yourself:",
                report.notRemoved, maxItems);
  AppendSection(text, "These lines of the list of installed files were ignored:", report.refused,
                maxItems);
  AppendSection(text,
                report.notRemoved.empty()
                    ? "These folders were kept because they hold files that were not installed:"
                    : "These folders were kept because they still hold files:",
                report.kept, maxItems);
  for (const std::string& note : report.notes) text += "\n\n" + note;
  return text;
}

}  // namespace sweeper
