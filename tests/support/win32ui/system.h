// What tests read back from the system they run in: files and folders of the
// prefix, special folders, shortcut files (through the shell-link object) and
// registry values (through the registry API, which keeps a REG_SZ whole).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace win32ui {

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool FileExists(const std::string& path);  // exists and is no directory
// The whole content of a file; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Replaces the file's content; true when all of it was written.
bool WriteWholeFile(const std::string& path, const std::string& content);
// Removes a file or a folder with everything below it, read-only files too.
void RemoveTree(const std::string& path);

// The file-system path of a special folder (CSIDL_PROGRAMS, CSIDL_DESKTOP...).
std::string SpecialFolder(int csidl);

// A shortcut file loaded back through IShellLinkA / IPersistFile.
struct LoadedLink {
  bool loaded = false;
  std::string target;
  std::string description;
  std::string workingDirectory;
};
// pathFlags are IShellLinkA::GetPath's (SLGP_RAWPATH: as stored, unexpanded).
LoadedLink LoadLink(const std::string& linkPath, DWORD pathFlags = SLGP_RAWPATH);

// A value below HKEY_LOCAL_MACHINE read back through the registry API.
struct RegistryValue {
  bool present = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  std::string Text() const;  // up to the first zero
};
RegistryValue ReadRegistryValue(const char* subkey, const char* name);
// view: 0 for the program's own registry view, or KEY_WOW64_32KEY / KEY_WOW64_64KEY.
bool RegistryKeyExists(const char* subkey, REGSAM view = 0);

}  // namespace win32ui
