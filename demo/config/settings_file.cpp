#include "demo/config/settings_file.h"

#include <vector>

namespace vale {

std::string ProgramDirectory() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return ".";
  std::string directory(path, length);
  size_t cut = directory.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  directory.resize(cut);
  if (directory.size() == 2 && directory[1] == ':') directory += '\\';  // "C:" alone is not the root
  return directory;
}

static std::string SettingsPath(const std::string& directory) {
  std::string path = directory;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  return path + SettingsFileName;
}

Settings LoadSettings(const std::string& directory, bool* found) {
  *found = false;
  HANDLE file = CreateFileA(SettingsPath(directory).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Settings();
  constexpr DWORD Limit = 64 * 1024;
  std::vector<char> text(Limit);
  DWORD size = 0;
  BOOL ok = ReadFile(file, text.data(), Limit, &size, nullptr);
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  CloseHandle(file);
  if (!ok || high != 0 || low > Limit) return Settings();
  *found = true;
  return ParseSettings(text.data(), size);
}

bool SaveSettings(const std::string& directory, const Settings& settings, DWORD* error) {
  *error = 0;
  std::string path = SettingsPath(directory);
  std::string text = FormatSettings(settings);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (!ok || written != text.size()) *error = ok ? ERROR_WRITE_FAULT : GetLastError();
  if (!CloseHandle(file) && *error == 0) *error = GetLastError();
  if (*error != 0) {
    DeleteFileA(path.c_str());
    return false;
  }
  return true;
}

}  // namespace vale
