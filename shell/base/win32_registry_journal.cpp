#include "shell/base/win32_registry_journal.h"

#include <cstring>

namespace {

constexpr size_t KeyPathSize = 1025;

}  // namespace

LONG CreateKeyRecorded(InstallJournal& journal, const char* keyPath, HKEY* key) {
  *key = nullptr;
  char level[KeyPathSize];
  const size_t length = std::strlen(keyPath);
  if (length == 0 || length >= sizeof level) return ERROR_INVALID_PARAMETER;
  std::memcpy(level, keyPath, length + 1);
  // Each level is created from the root, the shortest first; only the last is opened
  // for the values, the others just to create the next one below them.
  for (size_t end = 0; end <= length; ++end) {
    if (keyPath[end] != '\\' && keyPath[end] != '\0') continue;
    level[end] = '\0';
    const bool last = end == length;
    HKEY opened = nullptr;
    DWORD disposition = 0;
    const LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, level, 0, nullptr,
                                        REG_OPTION_NON_VOLATILE,
                                        last ? KEY_WRITE | KEY_QUERY_VALUE : KEY_CREATE_SUB_KEY,
                                        nullptr, &opened, &disposition);
    if (result != ERROR_SUCCESS) return result;
    if (disposition == REG_CREATED_NEW_KEY) journal.RecordKey(level);
    if (last) {
      *key = opened;
      return ERROR_SUCCESS;
    }
    RegCloseKey(opened);
    level[end] = '\\';
  }
  return ERROR_INVALID_PARAMETER;  // not reached: the last level ends the walk
}

LONG SetValueRecorded(InstallJournal& journal, HKEY key, const char* keyPath, const char* name,
                      DWORD type, const BYTE* data, DWORD size) {
  DWORD previousType = 0;
  BYTE previous[PreviousValueLimit];
  DWORD previousSize = sizeof previous;
  const LONG lookup = RegQueryValueExA(key, name, nullptr, &previousType, previous, &previousSize);
  const LONG result = RegSetValueExA(key, name, 0, type, data, size);
  if (result != ERROR_SUCCESS) return result;
  if (lookup == ERROR_FILE_NOT_FOUND) {
    journal.RecordAddedValue(keyPath, name);
  } else if (lookup == ERROR_SUCCESS) {
    journal.RecordReplacedValue(keyPath, name, previousType, previous, previousSize);
  } else {
    journal.CountDropped();
  }
  return result;
}
