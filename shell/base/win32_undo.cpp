#include "shell/base/win32_undo.h"

#include <windows.h>

bool Win32UndoActions::RemoveFile(const char* path) { return DeleteFileA(path) != FALSE; }

bool Win32UndoActions::RemoveEmptyDirectory(const char* path) {
  return RemoveDirectoryA(path) != FALSE;
}

bool Win32UndoActions::RemoveEmptyKey(const char* keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD subkeys = 0;
  DWORD values = 0;
  const LONG query = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                      &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (query != ERROR_SUCCESS || subkeys != 0 || values != 0) return false;
  return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) == ERROR_SUCCESS;
}

bool Win32UndoActions::DeleteValue(const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegDeleteValueA(key, name);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool Win32UndoActions::RestoreValue(const char* keyPath, const char* name, uint32_t type,
                                    const uint8_t* data, uint32_t size) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExA(key, name, 0, type, data, size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
