#include "install/recording_target.h"

#include "shell/base/win32_journal.h"

RecordingTarget::RecordingTarget(Win32ExtractTarget& inner, InstallJournal& journal)
    : inner_(inner), journal_(journal) {}

void RecordingTarget::CreateDirectory(const char* relativePath) {
  inner_.CreateDirectory(relativePath);
  if (inner_.LastCallCreated()) RecordNewDirectory(journal_, relativePath);
}

bool RecordingTarget::OpenFile(const char* relativePath) {
  const bool opened = inner_.OpenFile(relativePath);
  if (inner_.LastCallCreated()) RecordNewFile(journal_, relativePath);
  return opened;
}
