#include "window_driver.h"

#include <algorithm>
#include <functional>

namespace driver {

std::string ProgramsDir;

std::string ToWindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

bool Start(const std::string& program, const std::string& arguments, const std::string& directory,
           Process* process) {
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process->handle = info.hProcess;
  process->id = info.dwProcessId;
  return true;
}

bool WaitForExit(const Process& process, DWORD* exitCode, DWORD timeout) {
  if (process.handle == nullptr || WaitForSingleObject(process.handle, timeout) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process.handle, exitCode) != 0;
}

void Close(Process& process) {
  if (process.handle != nullptr) CloseHandle(process.handle);
  process = Process();
}

namespace {

struct Search {
  const char* className;
  const char* caption;
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->processId != 0 && WindowProcess(window) != search->processId) return TRUE;
  char text[256] = {};
  if (search->className != nullptr) {
    GetClassNameA(window, text, sizeof text);
    if (lstrcmpA(text, search->className) != 0) return TRUE;
  }
  if (search->caption != nullptr) {
    GetWindowTextA(window, text, sizeof text);
    if (lstrcmpA(text, search->caption) != 0) return TRUE;
  }
  search->found = window;
  return FALSE;
}

bool Poll(const std::function<bool()>& done, DWORD timeout) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > timeout) return false;
    Sleep(50);
  }
}

}  // namespace

HWND WaitForWindow(const char* className, const char* caption, DWORD processId, DWORD timeout) {
  Search search = {className, caption, processId, nullptr};
  Poll([&] {
    search.found = nullptr;
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  }, timeout);
  return search.found;
}

std::string Text(HWND window) {
  char text[8192] = {};
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &result);
  return text;
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? Text(text) : std::string();
}

bool Click(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
  return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool WaitUntilGone(HWND window, DWORD timeout) {
  return Poll([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeout);
}

DWORD WindowProcess(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

std::vector<std::string> ListBoxItems(HWND listBox) {
  std::vector<std::string> items;
  LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
    if (length < 0 || length > 4000) continue;
    std::vector<wchar_t> wide(length + 1);
    SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
    char narrow[8192] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow, sizeof narrow - 1, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFileText(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

std::string ReadFileText(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string text(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  if (!text.empty()) ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
  CloseHandle(file);
  text.resize(read);
  return text;
}

void RemoveTree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

static void CollectTree(const std::string& root, const std::string& prefix, std::vector<std::string>& names) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((root + (prefix.empty() ? "" : "\\" + prefix) + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::string relative = prefix.empty() ? name : prefix + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      names.push_back(relative + "\\");
      CollectTree(root, relative, names);
    } else {
      names.push_back(relative);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::vector<std::string> ListTree(const std::string& root) {
  std::vector<std::string> names;
  CollectTree(root, "", names);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace driver
