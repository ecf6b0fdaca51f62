#include "tests/support/win32ui/system.h"

#include <objbase.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace win32ui {

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  return static_cast<bool>(out);
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
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

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}

LoadedLink LoadLink(const std::string& linkPath, DWORD pathFlags) {
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
        link->GetPath(text, sizeof(text), nullptr, pathFlags);
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

std::string RegistryValue::Text() const {
  std::string text(data.begin(), data.end());
  const size_t end = text.find('\0');
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

bool RegistryKeyExists(const char* subkey, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace win32ui
