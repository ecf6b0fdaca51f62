// Win32ExtractTarget: the setup's extraction target. Relative paths resolve
// against the process's current directory (the install sequence makes the
// destination current). It uses exactly CreateDirectoryA, CreateFileA
// (GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL),
// WriteFile, CloseHandle, UpdateWindow on the progress page and Sleep(0).
// Install-list lines are not written anywhere: the payload carries its own
// list file. After each CreateDirectory or OpenFile it tells whether that call
// made something new, as the creating call itself reports it: CreateDirectoryA
// succeeds only for a directory it made, and CreateFileA with CREATE_ALWAYS
// leaves ERROR_ALREADY_EXISTS when it overwrote a file that was there.
#pragma once

#include <windows.h>

#include "payload/extract_target.h"

// The seam's method name, not the <windows.h> macro (see extract_target.h).
#ifdef CreateDirectory
#undef CreateDirectory
#endif

class Win32ExtractTarget : public ExtractTarget {
 public:
  Win32ExtractTarget(HWND progressPage, void (*setProgress)(int32_t percent));
  ~Win32ExtractTarget() override;

  void CreateDirectory(const char* relativePath) override;
  bool OpenFile(const char* relativePath) override;
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
  void CloseFile() override;
  void InstallListLine(const char*, uint32_t) override {}
  void Repaint() override;
  void Progress(int32_t percent) override;

  // True when the last CreateDirectory or OpenFile made a directory or file
  // that was not there; false for a directory that existed, a file that was
  // overwritten and a call that failed. Asked on the thread that made the
  // call, before its next one.
  bool LastCallCreated() const { return lastCallCreated_; }

 private:
  HWND progressPage_;
  void (*setProgress_)(int32_t percent);
  HANDLE currentFile_ = INVALID_HANDLE_VALUE;
  bool lastCallCreated_ = false;
};
