#include "shell/base/win32_journal.h"

namespace {

// Room for a full path of up to 1024 characters and its terminator.
constexpr DWORD FullPathSize = 1025;

void RecordNew(InstallJournal& journal, const char* path, bool directory) {
  const DWORD error = GetLastError();
  char full[FullPathSize];
  const DWORD length = GetFullPathNameA(path, FullPathSize, full, nullptr);
  if (length == 0 || length >= FullPathSize) {
    journal.CountDropped();
  } else if (directory) {
    journal.RecordDirectory(full);
  } else {
    journal.RecordFile(full);
  }
  SetLastError(error);
}

}  // namespace

void RecordNewFile(InstallJournal& journal, const char* path) { RecordNew(journal, path, false); }

void RecordNewDirectory(InstallJournal& journal, const char* path) {
  RecordNew(journal, path, true);
}

BOOL CreateDirectoryRecorded(InstallJournal& journal, const char* path) {
  const BOOL made = CreateDirectoryA(path, nullptr);
  if (made) RecordNewDirectory(journal, path);
  return made;
}

bool PathIsAbsent(const char* path) {
  const DWORD error = GetLastError();
  bool absent = false;
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    const DWORD why = GetLastError();
    absent = why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND;
  }
  SetLastError(error);
  return absent;
}
