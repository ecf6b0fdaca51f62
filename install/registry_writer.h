// The seam through which the install sequence writes its registry records:
// the base class writes below HKEY_LOCAL_MACHINE (the setup's own registry
// view), and a test derives from it to make a chosen step fail.
#pragma once

#include <windows.h>

class RegistryWriter {
 public:
  virtual ~RegistryWriter() = default;
  // Creates or opens subkey below HKEY_LOCAL_MACHINE for writing (a lasting
  // key); null when that fails.
  virtual HKEY CreateKey(const char* subkey);
  // Writes one value of the given type; false when that fails.
  virtual bool SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size);
  virtual void CloseKey(HKEY key);
};
