// Win32ExtractTarget: the setup's extraction target. Relative paths resolve
// against the process's current directory (the install sequence makes the
// destination current). It uses exactly CreateDirectoryA, CreateFileA
// (GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL),
// WriteFile, CloseHandle, UpdateWindow on the progress page and Sleep(0).
// Install-list lines are not written anywhere: the payload carries its own
// list file. Given a journal, it records there every directory and file that its
// calls create (not a file that was there and is overwritten), in the order the
// calls are made, on the thread that makes them.
#pragma once

#include <windows.h>

#include "payload/extract_target.h"
#include "undo/install_journal.h"

// The seam's method name, not the <windows.h> macro (see extract_target.h).
#ifdef CreateDirectory
#undef CreateDirectory
#endif

class Win32ExtractTarget : public ExtractTarget {
 public:
  Win32ExtractTarget(HWND progressPage, void (*setProgress)(int32_t percent),
                     InstallJournal* journal = nullptr);
  ~Win32ExtractTarget() override;

  void CreateDirectory(const char* relativePath) override;
  bool OpenFile(const char* relativePath) override;
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
  void CloseFile() override;
  void InstallListLine(const char*, uint32_t) override {}
  void Repaint() override;
  void Progress(int32_t percent) override;

 private:
  HWND progressPage_;
  void (*setProgress_)(int32_t percent);
  InstallJournal* journal_;
  HANDLE currentFile_ = INVALID_HANDLE_VALUE;
};
