#include "window_driver.h"

#include <algorithm>

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
  std::string commandLine = win32ui::Quoted(program);
  if (!arguments.empty()) commandLine += " " + arguments;
  return win32ui::Start(commandLine, directory, process);
}

HWND WaitForWindow(const char* className, const char* caption, DWORD processId, DWORD timeout) {
  HWND found = nullptr;
  win32ui::PollUntil([&] {
    found = win32ui::FindTopWindow(className, caption, processId);
    return found != nullptr;
  }, timeout);
  return found;
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
