#include "tests/install/registration.h"

#include <windows.h>

#include "install/install_sequence.h"

void RemoveInstallationKeys() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Aldmoor&Brisk");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
}

void RegisterInstallation(const std::string& directory, const std::string& group,
                          bool withChecksum) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                  nullptr);
  RegSetValueExA(key, "pth", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                 static_cast<DWORD>(directory.size() + 1));
  RegSetValueExA(key, "grp", 0, REG_SZ, reinterpret_cast<const BYTE*>(group.c_str()),
                 static_cast<DWORD>(group.size() + 1));
  if (withChecksum) {
    DWORD zero = 0;
    RegSetValueExA(key, "chs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
  }
  RegCloseKey(key);
}
