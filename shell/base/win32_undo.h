// The undo's steps on Windows (see journal_undo.h): files by DeleteFileA, directories
// by RemoveDirectoryA (which refuses one that is not empty), registry keys and values
// below HKEY_LOCAL_MACHINE in the program's own registry view, where the setup wrote
// them. A key is removed only when it holds neither a value nor a subkey.
#pragma once

#include "shell/base/journal_undo.h"

class Win32UndoActions : public UndoActions {
 public:
  bool RemoveFile(const char* path) override;
  bool RemoveEmptyDirectory(const char* path) override;
  bool RemoveEmptyKey(const char* keyPath) override;
  bool DeleteValue(const char* keyPath, const char* name) override;
  bool RestoreValue(const char* keyPath, const char* name, uint32_t type, const uint8_t* data,
                    uint32_t size) override;
};
