#include "install/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "shell/base/path_format.h"
#include "shell/base/shell_folders.h"

namespace {

struct StartMenuShortcut {
  const char* LinkName;    // file name without ".lnk"; also the description
  const char* TargetFile;  // file in InstallDir
};

constexpr int StartMenuShortcutCount = 4;
const StartMenuShortcut StartMenuShortcuts[StartMenuShortcutCount] = {
    {"Umberlay Vale (Demo)", "Vale.exe"},
    {"Umberlay Vale (Demo) CONFIGURATION", "config.exe"},
    {"UNINSTALL Umberlay Vale (Demo)", "Sweeper.exe"},
    {"README", "ReadMe.txt"},
};

IShellLinkA* NewShellLink(const char* targetPath, const char* description) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))) ||
      link == nullptr) {
    return nullptr;
  }
  link->SetPath(targetPath);
  link->SetDescription(description);
  link->SetWorkingDirectory(Setup.InstallDir);
  return link;
}

// Saves the link at linkPath and releases it.
void SaveAndRelease(IShellLinkA* link, const char* linkPath) {
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      file != nullptr) {
    WCHAR widePath[PathBufferSize];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, PathBufferSize) > 0) {
      file->Save(widePath, TRUE);
    }
    file->Release();
  }
  link->Release();
}

// Creates one directory level; an existing one is accepted.
bool CreateLevel(const char* path) {
  return CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Writes one shortcut file at linkPath (COM is initialised and uninitialised
// around the operation).
void CreateShellLink(const char* linkPath, const char* targetPath, const char* description) {
  CoInitialize(nullptr);
  if (IShellLinkA* link = NewShellLink(targetPath, description)) {
    SaveAndRelease(link, linkPath);
  }
  CoUninitialize();
}

}  // namespace

bool AppendPathComponent(PathBuffer& path, const char* component) {
  size_t length = std::strlen(path);
  bool separator = length > 0 && path[length - 1] != '\\' && path[length - 1] != '/';
  size_t total = length + (separator ? 1 : 0) + std::strlen(component);
  if (total >= static_cast<size_t>(PathBufferSize)) return false;
  if (separator) path[length++] = '\\';
  std::memcpy(path + length, component, std::strlen(component) + 1);
  return true;
}

void CreateStartMenuShortcuts() {
  PathBuffer targets[StartMenuShortcutCount];
  bool targetFits[StartMenuShortcutCount];
  for (int i = 0; i < StartMenuShortcutCount; ++i) {
    std::memcpy(targets[i], Setup.InstallDir, PathBufferSize);
    targets[i][PathBufferSize - 1] = '\0';
    targetFits[i] = AppendPathComponent(targets[i], StartMenuShortcuts[i].TargetFile);
  }

  PathBuffer folder;
  if (!SpecialFolderPath(CSIDL_PROGRAMS, folder)) return;

  // Walk the group's levels left to right on a copy; every level, an empty
  // one too, adds a backslash and its text to the folder path.
  PathBuffer group;
  std::memcpy(group, Setup.ProgramGroup, PathBufferSize);
  group[PathBufferSize - 1] = '\0';
  char* level = group;
  for (;;) {
    char* cut = std::strchr(level, '\\');
    if (cut != nullptr) *cut = '\0';
    size_t length = std::strlen(folder);
    if (length + 1 + std::strlen(level) >= static_cast<size_t>(PathBufferSize)) return;
    folder[length] = '\\';
    std::memcpy(folder + length + 1, level, std::strlen(level) + 1);
    if (!CreateLevel(folder)) return;
    if (cut == nullptr) break;
    level = cut + 1;
  }

  for (int i = 0; i < StartMenuShortcutCount; ++i) {
    PathBuffer linkPath;
    if (!targetFits[i]) continue;
    if (!FormatPath(linkPath, "%s\\%s.lnk", folder, StartMenuShortcuts[i].LinkName)) continue;
    CreateShellLink(linkPath, targets[i], StartMenuShortcuts[i].LinkName);
  }
}

void CreateDesktopShortcut(const char* targetPath, const char* name) {
  CoInitialize(nullptr);
  if (IShellLinkA* link = NewShellLink(targetPath, name)) {
    PathBuffer desktop;
    PathBuffer linkPath;
    if (SpecialFolderPath(CSIDL_DESKTOP, desktop) &&
        FormatPath(linkPath, "%s\\%s.lnk", desktop, name)) {
      SaveAndRelease(link, linkPath);
    } else {
      link->Release();
    }
  }
  CoUninitialize();
}
