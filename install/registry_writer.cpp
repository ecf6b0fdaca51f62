#include "install/registry_writer.h"

#include "shell/base/win32_registry_journal.h"

HKEY RegistryWriter::CreateKey(const char* subkey) {
  HKEY key = nullptr;
  if (CreateKeyRecorded(journal_, subkey, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool RegistryWriter::SetValue(HKEY key, const char* subkey, const char* name, DWORD type,
                              const void* data, DWORD size) {
  return SetValueRecorded(journal_, key, subkey, name, type, static_cast<const BYTE*>(data),
                          size) == ERROR_SUCCESS;
}

void RegistryWriter::CloseKey(HKEY key) { RegCloseKey(key); }
