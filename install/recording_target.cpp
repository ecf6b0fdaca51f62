#include "install/recording_target.h"

#include "shell/base/win32_journal.h"

RecordingTarget::RecordingTarget(Win32ExtractTarget& files, InstallJournal& journal)
    : ForwardingTarget(files), files_(files), journal_(journal) {}

void RecordingTarget::CreateDirectory(const char* relativePath) {
  ForwardingTarget::CreateDirectory(relativePath);
  if (files_.LastCallCreated()) RecordNewDirectory(journal_, relativePath);
}

bool RecordingTarget::OpenFile(const char* relativePath) {
  const bool opened = ForwardingTarget::OpenFile(relativePath);
  if (files_.LastCallCreated()) RecordNewFile(journal_, relativePath);
  return opened;
}
