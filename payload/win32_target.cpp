#include "payload/win32_target.h"

#include "undo/win32_journal.h"

Win32ExtractTarget::Win32ExtractTarget(HWND progressPage, void (*setProgress)(int32_t percent),
                                       InstallJournal* journal)
    : progressPage_(progressPage), setProgress_(setProgress), journal_(journal) {}

Win32ExtractTarget::~Win32ExtractTarget() { CloseFile(); }

void Win32ExtractTarget::CreateDirectory(const char* relativePath) {
  // An existing directory is fine.
  if (journal_ != nullptr) {
    CreateDirectoryRecorded(*journal_, relativePath);
  } else {
    CreateDirectoryA(relativePath, nullptr);
  }
}

bool Win32ExtractTarget::OpenFile(const char* relativePath) {
  CloseFile();
  currentFile_ = CreateFileA(relativePath, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal_ != nullptr) RecordFileIfCreated(*journal_, currentFile_, relativePath);
  return currentFile_ != INVALID_HANDLE_VALUE;
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
