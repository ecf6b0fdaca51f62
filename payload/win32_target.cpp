#include "payload/win32_target.h"

Win32ExtractTarget::Win32ExtractTarget(HWND progressPage, void (*setProgress)(int32_t percent))
    : progressPage_(progressPage), setProgress_(setProgress) {}

Win32ExtractTarget::~Win32ExtractTarget() { CloseFile(); }

void Win32ExtractTarget::CreateDirectory(const char* relativePath) {
  // An existing directory is fine.
  lastCallCreated_ = CreateDirectoryA(relativePath, nullptr) != FALSE;
}

bool Win32ExtractTarget::OpenFile(const char* relativePath) {
  CloseFile();
  currentFile_ = CreateFileA(relativePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool opened = currentFile_ != INVALID_HANDLE_VALUE;
  lastCallCreated_ = opened && GetLastError() != ERROR_ALREADY_EXISTS;
  return opened;
}

bool Win32ExtractTarget::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
  DWORD done = 0;
  const BOOL ok = WriteFile(currentFile_, data, length, &done, nullptr);
  *written = static_cast<uint32_t>(done);
  return ok != FALSE;
}

void Win32ExtractTarget::CloseFile() {
  if (currentFile_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(currentFile_);
  currentFile_ = INVALID_HANDLE_VALUE;
}

void Win32ExtractTarget::Repaint() {
  UpdateWindow(progressPage_);
  Sleep(0);
}

void Win32ExtractTarget::Progress(int32_t percent) {
  if (setProgress_ != nullptr) setProgress_(percent);
}
