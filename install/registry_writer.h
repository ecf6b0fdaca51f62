// The seam through which the install sequence writes its registry records:
// the base class writes below HKEY_LOCAL_MACHINE (the setup's own registry
// view) and records into its journal what each write creates or replaces
// (shell/base/win32_registry_journal.h), and a test derives from it to make a
// chosen step fail.
#pragma once

#include <windows.h>

#include "shell/base/install_journal.h"

class RegistryWriter {
 public:
  explicit RegistryWriter(InstallJournal& journal) : journal_(journal) {}
  virtual ~RegistryWriter() = default;
  // Creates or opens subkey below HKEY_LOCAL_MACHINE for writing and for
  // reading its values (a lasting key), recording each level it creates; null
  // when that fails.
  virtual HKEY CreateKey(const char* subkey);
  // Writes one value of the given type into key, which CreateKey opened for
  // subkey, recording it as added or replaced; false when that fails.
  virtual bool SetValue(HKEY key, const char* subkey, const char* name, DWORD type,
                        const void* data, DWORD size);
  virtual void CloseKey(HKEY key);

 private:
  InstallJournal& journal_;
};
