#include "demo/sweeper/removal.h"

#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "demo/sweeper/product_layout.h"
#include "demo/sweeper/uninstall_list.h"

namespace sweeper {
namespace {

// Every path handed to the ANSI file functions must stay below this.
constexpr size_t MaxFullPath = MAX_PATH - 1;

std::string WithError(const std::string& item, DWORD error) {
  char code[48];
  std::snprintf(code, sizeof code, " (error %lu)", static_cast<unsigned long>(error));
  return item + code;
}

// Reads a text value; the text is what stands before its first zero (the
// setup stores whole 1024-byte buffers, with whatever follows the text).
// *error is the registry's result, or ERROR_INVALID_DATA for a value that is
// not text or is implausibly long.
bool ReadTextValue(HKEY key, const char* name, std::string* text, LONG* error) {
  DWORD type = 0;
  DWORD size = 0;
  *error = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (*error != ERROR_SUCCESS) return false;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > 64 * 1024) {
    *error = ERROR_INVALID_DATA;
    return false;
  }
  // Room for a terminator the registry may add to text stored without one.
  std::vector<char> buffer(size + 2, '\0');
  DWORD length = size + 1;
  *error = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &length);
  if (*error != ERROR_SUCCESS) return false;
  *text = buffer.data();
  return true;
}

std::string SpecialFolder(HWND owner, int csidl) {
  LPITEMIDLIST items = nullptr;
  if (SHGetSpecialFolderLocation(owner, csidl, &items) != S_OK || items == nullptr) return std::string();
  char path[MAX_PATH + 1] = {};
  BOOL ok = SHGetPathFromIDListA(items, path);
  CoTaskMemFree(items);
  return ok ? std::string(path) : std::string();
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

bool IsDirectoryEmpty(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(directory, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0) empty = false;
  } while (empty && FindNextFileA(search, &found));
  FindClose(search);
  return empty;
}

// True when the directory holds exactly one entry, the file at path.
bool OnlyHolds(const std::string& directory, const std::string& path) {
  size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || lstrcmpiA(path.substr(0, cut).c_str(), directory.c_str()) != 0) return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(JoinPath(directory, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  int others = 0, matches = 0;
  do {
    if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0) continue;
    if (lstrcmpiA(found.cFileName, path.c_str() + cut + 1) == 0) {
      ++matches;
    } else {
      ++others;
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return matches == 1 && others == 0;
}

// True when one of the folders between the installation directory and the
// entry is a link to somewhere else: removing through it would reach
// outside the directory.
bool LiesBehindLink(const std::string& installDir, const std::string& relative) {
  size_t cut = relative.find('\\');
  while (cut != std::string::npos) {
    DWORD attributes = GetFileAttributesA(JoinPath(installDir, relative.substr(0, cut)).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    cut = relative.find('\\', cut + 1);
  }
  return false;
}

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The uninstaller's own file when it runs from the installation (no copy
// could be started), and whether its removal was left to the next restart.
std::string RunningProgram;
bool RunningProgramScheduled = false;

// A running program's file cannot be deleted: have it removed at the next
// restart instead.
bool ScheduleRunningProgram(const std::string& path, RemovalReport& report) {
  if (RunningProgram.empty() || lstrcmpiA(path.c_str(), RunningProgram.c_str()) != 0) return false;
  if (!MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
  RunningProgramScheduled = true;
  report.notes.push_back(path + " is in use and will be removed when Windows restarts.");
  return true;
}

// Removes one file the product put there and counts it in *counter; a file
// already gone is fine, anything else goes into the report.
void RemoveFile(const std::string& path, RemovalReport& report, int* counter) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (!IsGone(error)) report.notRemoved.push_back(WithError(path, error));
    return;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    report.notRemoved.push_back(path + " (a folder where a file was installed)");
    return;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileA(path.c_str())) {
    ++*counter;
    return;
  }
  DWORD error = GetLastError();
  if (IsGone(error)) return;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
  if (ScheduleRunningProgram(path, report)) return;
  report.notRemoved.push_back(WithError(path, error));
}

// Removes one folder if it is empty; a folder that holds other files is
// kept and named in the report.
void RemoveFolder(const std::string& path, RemovalReport& report) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (!IsGone(error)) report.notRemoved.push_back(WithError(path, error));
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    report.notRemoved.push_back(path + " (a file where a folder was installed)");
    return;
  }
  if (RemoveDirectoryA(path.c_str())) {
    ++report.directoriesRemoved;
    return;
  }
  DWORD error = GetLastError();
  if (IsGone(error)) return;
  if (!IsDirectoryEmpty(path)) {
    report.kept.push_back(path);
  } else {
    report.notRemoved.push_back(WithError(path, error));
  }
}

void RemoveListedEntries(const std::string& installDir, UninstallList& list, RemovalReport& report) {
  for (const RefusedLine& line : list.refused) {
    report.refused.push_back("line " + std::to_string(line.lineNumber) + ": " + line.text + " (" +
                             PathVerdictText(line.verdict) + ")");
  }
  OrderForRemoval(list.entries);
  for (const UninstallEntry& entry : list.entries) {
    std::string path = JoinPath(installDir, entry.path);
    if (path.size() > MaxFullPath) {
      report.notRemoved.push_back(path + " (path too long)");
      continue;
    }
    if (LiesBehindLink(installDir, entry.path)) {
      report.notRemoved.push_back(path + " (lies behind a link to another place)");
      continue;
    }
    if (entry.isDirectory) {
      RemoveFolder(path, report);
    } else {
      RemoveFile(path, report, &report.filesRemoved);
    }
  }
}

void RemoveShortcuts(HWND owner, bool haveGroup, const std::string& group, RemovalReport& report) {
  if (haveGroup) {
    std::vector<std::string> folders;
    PathVerdict verdict;
    std::string programs = SpecialFolder(owner, CSIDL_PROGRAMS);
    if (programs.empty()) {
      report.notes.push_back("The start-menu folder could not be located; its shortcuts were left.");
    } else if (!GroupFolders(group, &folders, &verdict)) {
      report.refused.push_back("start-menu group \"" + group + "\" (" + PathVerdictText(verdict) + ")");
    } else {
      std::string groupFolder = folders.empty() ? programs : JoinPath(programs, folders.front());
      for (const char* link : StartMenuLinks) {
        std::string path = JoinPath(groupFolder, link);
        if (path.size() > MaxFullPath) {
          report.notRemoved.push_back(path + " (path too long)");
          continue;
        }
        RemoveFile(path, report, &report.shortcutsRemoved);
      }
      // Group folders go from the deepest level up while they are empty;
      // the Programs folder itself always stays.
      for (const std::string& folder : folders) {
        std::string path = JoinPath(programs, folder);
        if (path.size() > MaxFullPath || !IsDirectoryEmpty(path) || !RemoveDirectoryA(path.c_str())) break;
      }
    }
  }
  std::string desktop = SpecialFolder(owner, CSIDL_DESKTOP);
  if (!desktop.empty()) RemoveFile(JoinPath(desktop, DesktopLink), report, &report.shortcutsRemoved);
}

// Deletes a key of HKEY_LOCAL_MACHINE that has no subkeys; a missing key is
// fine. onlyIfEmpty keeps a key that still holds values or subkeys.
void RemoveKey(const char* subkey, bool onlyIfEmpty, RemovalReport& report) {
  if (onlyIfEmpty) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || subkeys != 0 || values != 0) return;
  }
  LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, subkey);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
    report.notRemoved.push_back(WithError(std::string("registry key HKEY_LOCAL_MACHINE\\") + subkey,
                                          static_cast<DWORD>(result)));
  }
}

// Reads the whole list file, refusing one larger than MaxListFileSize.
bool ReadListFile(const std::string& path, std::string* text, DWORD* error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    *error = GetLastError();
    CloseHandle(file);
    return false;
  }
  if (high != 0 || size > MaxListFileSize) {
    *error = ERROR_FILE_TOO_LARGE;
    CloseHandle(file);
    return false;
  }
  text->resize(size);
  DWORD read = 0;
  BOOL ok = size == 0 || ReadFile(file, &(*text)[0], size, &read, nullptr);
  *error = ok ? 0 : GetLastError();
  CloseHandle(file);
  if (ok && read != size) {
    *error = ERROR_READ_FAULT;
    ok = FALSE;
  }
  return ok != FALSE;
}

}  // namespace

RemovalReport RemoveInstallation(HWND owner, const std::string& runningProgram) {
  RemovalReport report;
  RunningProgram = runningProgram;
  RunningProgramScheduled = false;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    report.stopReason = "it is not registered as installed on this computer.";
    return report;
  }
  std::string installDir, group;
  LONG dirError = 0, groupError = 0;
  bool haveDir = ReadTextValue(key, InstallDirValue, &installDir, &dirError);
  bool haveGroup = ReadTextValue(key, GroupValue, &group, &groupError);
  RegCloseKey(key);
  if (!haveDir || installDir.empty()) {
    report.stopReason = "its registration does not name the installation folder" +
                        WithError("", static_cast<DWORD>(dirError)) + ".";
    return report;
  }
  PathVerdict verdict = CheckInstallDirectory(installDir);
  if (verdict != PathVerdict::Safe) {
    report.stopReason = "the registered installation folder \"" + installDir + "\" " + PathVerdictText(verdict) + ".";
    return report;
  }
  for (char& c : installDir) {
    if (c == '/') c = '\\';  // one spelling, so paths compare as text
  }
  installDir = WithoutTrailingSeparator(installDir);

  DWORD attributes = GetFileAttributesA(installDir.c_str());
  bool dirExists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (dirExists) {
    std::string listPath = JoinPath(installDir, ListFileName);
    std::string text;
    DWORD error = 0;
    if (!ReadListFile(listPath, &text, &error)) {
      report.stopReason = "the list of installed files " + listPath + " could not be read" +
                          WithError("", error) + ".";
      return report;
    }
    UninstallList list = ParseUninstallList(text.data(), text.size());
    RemoveListedEntries(installDir, list, report);
    // The installation folder itself goes only when nothing is left in it;
    // a drive root always stays. When only the running uninstaller is left
    // in it, both go at the next restart.
    if (installDir.size() > 3) {
      if (RunningProgramScheduled && OnlyHolds(installDir, RunningProgram)) {
        if (MoveFileExA(installDir.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
          report.notes.push_back(installDir + " will be removed when Windows restarts.");
        } else {
          report.notRemoved.push_back(WithError(installDir, GetLastError()));
        }
      } else {
        RemoveFolder(installDir, report);
      }
    }
  } else {
    report.notes.push_back("The installation folder " + installDir + " was already gone.");
  }

  RemoveShortcuts(owner, haveGroup, group, report);
  RemoveKey(ProductKey, false, report);
  RemoveKey(MakerKey, true, report);
  RemoveKey(UninstallKey, false, report);
  return report;
}

}  // namespace sweeper
