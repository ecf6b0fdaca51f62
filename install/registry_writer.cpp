#include "install/registry_writer.h"

HKEY RegistryWriter::CreateKey(const char* subkey) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &key, &disposition) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

bool RegistryWriter::SetValue(HKEY key, const char* name, DWORD type, const void* data,
                              DWORD size) {
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) ==
         ERROR_SUCCESS;
}

void RegistryWriter::CloseKey(HKEY key) { RegCloseKey(key); }
