// RecordingTarget: the install sequence's extraction target. It hands every
// call to the Win32 file target and, right after a CreateDirectory or OpenFile
// that made a directory or file that was not there (as the Win32 target
// reports it), records that path in full into a journal. A directory that was
// there and a file that was overwritten are never recorded, and neither is a
// call that failed.
//
// Set behind QueuedTarget it runs on the file thread, where the calls are made,
// so the journal holds the creations in the order of the calls; the journal is
// read only after the queue has finished (the engine's Finish, or the queue's
// end).
#pragma once

#include <cstdint>

#include "payload/forwarding_target.h"
#include "payload/win32_target.h"
#include "shell/base/install_journal.h"

// The seam's method name, not the <windows.h> macro (see extract_target.h).
#ifdef CreateDirectory
#undef CreateDirectory
#endif

class RecordingTarget : public ForwardingTarget {
 public:
  RecordingTarget(Win32ExtractTarget& files, InstallJournal& journal);

  void CreateDirectory(const char* relativePath) override;
  bool OpenFile(const char* relativePath) override;

 private:
  Win32ExtractTarget& files_;
  InstallJournal& journal_;
};
