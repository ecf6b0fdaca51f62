// Writing the setup's registry records below HKEY_LOCAL_MACHINE (in the program's own
// registry view) while recording into an InstallJournal what each write creates or
// replaces, decided by the write itself: RegCreateKeyExA says whether it created a
// key, and a value is looked up right before it is set.
#pragma once

#include <windows.h>

#include "shell/base/install_journal.h"

// The longest previous value kept for an undo. A longer one keeps what the run wrote,
// as an overwritten file keeps its new content.
constexpr DWORD PreviousValueLimit = 4096;

// Creates or opens HKEY_LOCAL_MACHINE\keyPath for writing and for reading its values,
// one level at a time, so that each level this call creates is recorded. Returns
// ERROR_SUCCESS with *key open, or the failure with *key null (levels made before it
// stay recorded); a path of 1,025 characters or more is refused as invalid.
LONG CreateKeyRecorded(InstallJournal& journal, const char* keyPath, HKEY* key);

// RegSetValueExA on key, which CreateKeyRecorded opened for keyPath. Once written,
// the value is recorded as added when it was not there, or as replaced with its
// previous type and data. A previous value that cannot be read back whole is not
// recorded (counted as dropped).
LONG SetValueRecorded(InstallJournal& journal, HKEY key, const char* keyPath, const char* name,
                      DWORD type, const BYTE* data, DWORD size);
