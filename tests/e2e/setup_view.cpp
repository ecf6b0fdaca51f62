#include "setup_view.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "report.h"
#include "resources/resource_ids.h"

namespace e2e {

namespace {

const std::vector<int> WelcomeIds = {IDC_INSTALL_NOW, IDC_DONT_INSTALL};
const std::vector<int> InstalledIds = {IDC_START_NOW, IDC_DONT_START};
const std::vector<int> DestinationIds = {IDC_DEST_EDIT, IDC_BROWSE, IDC_BACK, IDC_NEXT,
                                         IDC_CANCEL_PAGE, IDC_SPACE_FREE, IDC_SPACE_NEEDED};
const std::vector<int> GroupIds = {IDC_GROUP_EDIT, IDC_BACK, IDC_NEXT, IDC_CANCEL_PAGE,
                                   IDC_GROUP_LIST, IDC_DESKTOP_CHECK};
const std::vector<int> ProgressIds = {IDC_PROGRESS_BAR, IDC_PERCENT_TEXT, IDC_STATUS_TEXT};
const std::vector<int> FinishIds = {IDC_PLAY_NOW, IDC_DONT_PLAY};

BOOL CALLBACK CollectStatics(HWND child, LPARAM lParam) {
  if (ClassOf(child) == "Static") {
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(TextOf(child));
  }
  return TRUE;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
  return path;
}

bool QueryValue(HKEY key, const char* name, DWORD* type, std::vector<char>* data) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  data->assign(size, '\0');
  return RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data->data()), &size) ==
         ERROR_SUCCESS;
}

void CheckTextValue(HKEY key, const char* name, const std::string& text, DWORD length) {
  DWORD type = 0;
  std::vector<char> data;
  if (!Check(QueryValue(key, name, &type, &data), std::string("registry value ") + name + " exists")) {
    return;
  }
  Check(type == REG_SZ, std::string(name) + " is REG_SZ");
  Check(data.size() == length,
        std::string(name) + " holds " + std::to_string(length) + " bytes",
        "holds " + std::to_string(data.size()));
  CheckEqual(std::string(data.data(), strnlen(data.data(), data.size())), text,
             std::string("registry value ") + name);
}

// Target and working directory of a shortcut file.
bool ReadShortcut(const std::string& link, std::string* target, std::string* workingDir) {
  bool ok = false;
  CoInitialize(nullptr);
  IShellLinkA* shellLink = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char path[MAX_PATH] = "", dir[MAX_PATH] = "";
        shellLink->GetPath(path, MAX_PATH, nullptr, 0);
        shellLink->GetWorkingDirectory(dir, MAX_PATH);
        *target = path;
        *workingDir = dir;
        ok = true;
      }
      file->Release();
    }
    shellLink->Release();
  }
  CoUninitialize();
  return ok;
}

void CheckShortcut(const std::string& link, const std::string& target, const std::string& dir) {
  if (!Check(FileExists(link), "shortcut " + link + " exists")) return;
  std::string foundTarget, foundDir;
  if (!Check(ReadShortcut(link, &foundTarget, &foundDir), "shortcut " + link + " can be read")) return;
  Check(_stricmp(foundTarget.c_str(), target.c_str()) == 0, "it points at " + target,
        "points at " + foundTarget);
  Check(_stricmp(foundDir.c_str(), dir.c_str()) == 0, "it works in " + dir, "works in " + foundDir);
}

}  // namespace

HWND WaitWelcome(Target& t, double s) { return WaitPage(t, Title, WelcomeIds, s); }
HWND WaitInstalledPage(Target& t, double s) { return WaitPage(t, "Welcome", InstalledIds, s); }
HWND WaitDestination(Target& t, double s) { return WaitPage(t, WideTitle, DestinationIds, s); }
HWND WaitGroup(Target& t, double s) { return WaitPage(t, Title, GroupIds, s); }
HWND WaitProgress(Target& t, double s) { return WaitPage(t, WideTitle, ProgressIds, s); }
HWND WaitFinish(Target& t, double s) { return WaitPage(t, Title, FinishIds, s); }
HWND FindWelcome(Target& t) { return FindPage(t, Title, WelcomeIds); }
HWND FindDestination(Target& t) { return FindPage(t, WideTitle, DestinationIds); }
HWND FindGroup(Target& t) { return FindPage(t, Title, GroupIds); }
HWND FindFinish(Target& t) { return FindPage(t, Title, FinishIds); }
HWND FindInstalledPage(Target& t) { return FindPage(t, "Welcome", InstalledIds); }

std::vector<std::string> StaticTexts(HWND page) {
  std::vector<std::string> texts;
  EnumChildWindows(page, CollectStatics, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

std::string CreateQuestion(const std::string& path) {
  return "Folder\n\n" + path + "\n\ndoes not exist.\nWould you like to create new?";
}

std::string CreateFailure(const std::string& path) {
  return "It is impossible to create directory \n\n" + path + "\n\nPlease try another path.";
}

std::string DefaultDestination() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof(windows));
  return std::string(windows, 3) + "Program Files\\Umberlay Vale (Demo)";
}

std::string ProgramsFolder() { return SpecialFolder(CSIDL_PROGRAMS); }
std::string DesktopFolder() { return SpecialFolder(CSIDL_DESKTOPDIRECTORY); }

std::vector<std::string> ProgramGroups() {
  std::vector<std::string> groups;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((ProgramsFolder() + "\\*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return groups;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != ".." && found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
      groups.push_back(name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return groups;
}

bool IsDirectory(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::vector<std::string> Marks(const std::string& program) {
  std::vector<std::string> lines;
  std::istringstream in(ReadTextFile(std::string(MarksDir) + "\\" + program + ".txt"));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written in text mode
    lines.push_back(line);
  }
  return lines;
}

void ClearMarks() {
  CreateDirectoryA(MarksDir, nullptr);
  for (const char* name : {"Vale", "config", "Sweeper"}) {
    DeleteFileA((std::string(MarksDir) + "\\" + name + ".txt").c_str());
  }
}

bool ProductKeyExists() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void CheckRegistry(const std::string& dir, const std::string& group) {
  HKEY key;
  if (Check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)", 0,
                          KEY_QUERY_VALUE, &key) == ERROR_SUCCESS,
            "HKLM\\SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo) exists")) {
    CheckTextValue(key, "pth", dir, 1024);
    CheckTextValue(key, "grp", group, 1024);
    DWORD type = 0;
    std::vector<char> data;
    if (Check(QueryValue(key, "chs", &type, &data), "registry value chs exists")) {
      Check(type == REG_DWORD && data.size() == 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 &&
                data[3] == 0,
            "chs is the REG_DWORD 0");
    }
    RegCloseKey(key);
  }
  if (Check(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Umberlay Vale (Demo)",
                          0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS,
            "the uninstall entry exists")) {
    CheckTextValue(key, "DisplayName", Title, 21);
    const std::string uninstaller = dir + "\\Sweeper.exe";
    CheckTextValue(key, "UninstallString", uninstaller, static_cast<DWORD>(uninstaller.size() + 1));
    RegCloseKey(key);
  }
}

void CheckShortcuts(const std::string& dir, const std::string& group, bool desktop) {
  const std::string folder = ProgramsFolder() + "\\" + group;
  CheckShortcut(folder + "\\Umberlay Vale (Demo).lnk", dir + "\\Vale.exe", dir);
  CheckShortcut(folder + "\\Umberlay Vale (Demo) CONFIGURATION.lnk", dir + "\\config.exe", dir);
  CheckShortcut(folder + "\\UNINSTALL Umberlay Vale (Demo).lnk", dir + "\\Sweeper.exe", dir);
  CheckShortcut(folder + "\\README.lnk", dir + "\\ReadMe.txt", dir);
  const std::string onDesktop = DesktopFolder() + "\\Umberlay Vale (Demo).lnk";
  if (desktop) {
    CheckShortcut(onDesktop, dir + "\\Vale.exe", dir);
  } else {
    Check(!FileExists(onDesktop), "no desktop shortcut");
  }
}

void CheckProductFiles(const std::string& dir) {
  for (const char* file : {"Vale.exe", "config.exe", "Sweeper.exe", "ReadMe.txt"}) {
    Check(FileExists(dir + "\\" + file), std::string(file) + " is installed");
  }
}

bool ExitsWithoutBox(Target& t, DWORD* exitCode, double seconds) {
  for (int i = 0; i < static_cast<int>(seconds * 20); ++i) {
    Box box = FindBox(t);
    if (box.Window != nullptr) {
      Check(false, "the setup ends without a message box",
            "box " + Quote(box.Caption) + " " + Quote(box.Text));
      AnswerBox(box, IDNO);
      AnswerBox(box, IDOK);
    }
    if (WaitExit(t, 0.05, exitCode)) return true;
  }
  return false;
}

HWND Backdrop(Target& t) {
  for (HWND window : TopWindows(t.ProcessId())) {
    if (ClassOf(window) == "ZKSetupClass") return window;
  }
  // A minimised backdrop may not count as visible; look for the class directly.
  HWND window = FindWindowA("ZKSetupClass", nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid == t.ProcessId() ? window : nullptr;
}

}  // namespace e2e
