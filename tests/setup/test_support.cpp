#include "tests/setup/test_support.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "install/install_sequence.h"

namespace {

struct BoxSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectBoxes(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  char className[64] = {0};
  GetClassNameA(window, className, sizeof(className));
  if (std::strcmp(className, "#32770") == 0) search->found.push_back(window);
  return TRUE;
}

std::string ControlText(HWND control) {
  char text[2048] = {0};
  if (control != nullptr) {
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_BLOCK, 5000, nullptr);
  }
  return text;
}

}  // namespace

ChildRun RunChild(const std::string& commandLine, const char* dllOverrides) {
  ChildRun run;
  char savedOverrides[1024] = {0};
  DWORD hadOverrides = 0;
  if (dllOverrides != nullptr) {
    hadOverrides = GetEnvironmentVariableA("WINEDLLOVERRIDES", savedOverrides,
                                           sizeof(savedOverrides));
    std::string value = hadOverrides ? std::string(savedOverrides) + ";" + dllOverrides
                                     : std::string(dllOverrides);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", value.c_str());
  }
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof(startup));
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  run.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info) != 0;
  if (dllOverrides != nullptr) {
    SetEnvironmentVariableA("WINEDLLOVERRIDES", hadOverrides ? savedOverrides : nullptr);
  }
  if (!run.started) return run;

  std::set<HWND> answered;
  const int limitSteps = 120 * 20;  // two minutes in steps of 50 ms
  int step = 0;
  while (WaitForSingleObject(info.hProcess, 50) == WAIT_TIMEOUT) {
    if (++step > limitSteps) {
      TerminateProcess(info.hProcess, 99);
      WaitForSingleObject(info.hProcess, INFINITE);
      run.timedOut = true;
      break;
    }
    BoxSearch search{info.dwProcessId, {}};
    EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.found) {
      if (answered.count(box) != 0) continue;
      HWND button = GetDlgItem(box, IDOK);
      if (button == nullptr) button = GetDlgItem(box, IDYES);
      if (button == nullptr || !IsWindowVisible(button)) continue;
      char caption[256] = {0};
      GetWindowTextA(box, caption, sizeof(caption));
      run.boxes.push_back({caption, ControlText(GetDlgItem(box, 0xFFFF))});
      answered.insert(box);
      PostMessageA(button, BM_CLICK, 0, 0);
    }
  }
  GetExitCodeProcess(info.hProcess, &run.exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return run;
}

std::string TestProgramDirectory() {
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* cut = std::strrchr(path, '\\');
  if (cut != nullptr) cut[1] = '\0';
  return path;
}

std::string Quoted(const std::string& text) {
  // Backslashes before the closing quote are doubled, or they would escape it.
  size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\') ++trailing;
  return "\"" + text + std::string(trailing, '\\') + "\"";
}

std::string HelperCommand(const std::string& args) {
  return Quoted(TestProgramDirectory() + "setup_helper.exe") + " " + args;
}

void RemoveTree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA entry;
  HANDLE walk = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (walk != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) {
        continue;
      }
      RemoveTree(path + "\\" + entry.cFileName);
    } while (FindNextFileA(walk, &entry));
    FindClose(walk);
  }
  RemoveDirectoryA(path.c_str());
}

std::string FreshDirectory(const std::string& name) {
  std::string path = "C:\\setup-tests\\" + name;
  CreateDirectoryA("C:\\setup-tests", nullptr);
  RemoveTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool CopyTestProgram(const char* name, const std::string& destination) {
  return CopyFileA((TestProgramDirectory() + name).c_str(), destination.c_str(), FALSE) != 0;
}

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

std::string RegistryValue::Text() const {
  std::string text(data.begin(), data.end());
  size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

RegistryValue ReadRegistryValue(const char* subkey, const char* name) {
  RegistryValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return value;
  }
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(),
                                     &size) == ERROR_SUCCESS;
    value.data.resize(size);
  }
  RegCloseKey(key);
  return value;
}

LoadedLink LoadLink(const std::string& linkPath) {
  LoadedLink result;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH * 4];
      MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH * 4);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[MAX_PATH * 4] = {0};
        result.loaded = true;
        link->GetPath(text, sizeof(text), nullptr, SLGP_RAWPATH);
        result.target = text;
        std::memset(text, 0, sizeof(text));
        link->GetDescription(text, sizeof(text));
        result.description = text;
        std::memset(text, 0, sizeof(text));
        link->GetWorkingDirectory(text, sizeof(text));
        result.workingDirectory = text;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return result;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {0};
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}

bool WaitForFile(const std::string& path, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (PathExists(path)) return true;
    Sleep(50);
  }
  return PathExists(path);
}
