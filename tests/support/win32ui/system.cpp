#include "tests/support/win32ui/system.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
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

namespace {

void ListBelow(const std::string& path, const std::string& prefix,
               std::vector<std::string>* lines) {
  WIN32_FIND_DATAA entry;
  HANDLE walk = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (walk == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      lines->push_back(prefix + name + "\\");
      ListBelow(path + "\\" + name, prefix + name + "\\", lines);
    } else {
      const unsigned long long size =
          (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
      lines->push_back(prefix + name + " " + std::to_string(size));
    }
  } while (FindNextFileA(walk, &entry));
  FindClose(walk);
}

void ListKey(HKEY root, const std::string& path, std::vector<std::string>* lines) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  lines->push_back("KEY " + path);
  DWORD values = 0, longestName = 0, longestData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                   &longestName, &longestData, nullptr, nullptr);
  std::vector<char> name(longestName + 2);
  std::vector<BYTE> data(longestData + 1);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS) {
      lines->push_back("VALUE " + path + " #" + std::to_string(i) + " unreadable");
      continue;
    }
    std::string hex;
    char digits[3];
    for (DWORD b = 0; b < dataSize; ++b) {
      std::snprintf(digits, sizeof(digits), "%02x", data[b]);
      hex += digits;
    }
    lines->push_back("VALUE " + path + " " + std::string(name.data(), nameSize) + " " +
                     std::to_string(type) + " " + hex);
  }
  for (DWORD i = 0;; ++i) {
    char subkey[256];
    DWORD subkeySize = sizeof(subkey);
    if (RegEnumKeyExA(key, i, subkey, &subkeySize, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ListKey(root, path + "\\" + subkey, lines);
  }
  RegCloseKey(key);
}

}  // namespace

std::vector<std::string> TreeListing(const std::string& path) {
  std::vector<std::string> lines;
  ListBelow(path, "", &lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> RegistryListing(const std::string& subkey) {
  std::vector<std::string> lines;
  ListKey(HKEY_LOCAL_MACHINE, subkey, &lines);
  return lines;
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
