#include "setup_view.h"

#include <shlobj.h>

#include <cstdio>
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

constexpr char ProductKey[] = "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)";
constexpr char UninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Umberlay Vale (Demo)";

void CheckTextValue(const char* subkey, const char* name, const std::string& text, DWORD length) {
  const win32ui::RegistryValue value = win32ui::ReadRegistryValue(subkey, name);
  if (!Check(value.present, std::string("registry value ") + name + " exists")) return;
  Check(value.type == REG_SZ, std::string(name) + " is REG_SZ");
  Check(value.data.size() == length,
        std::string(name) + " holds " + std::to_string(length) + " bytes",
        "holds " + std::to_string(value.data.size()));
  CheckEqual(value.Text(), text, std::string("registry value ") + name);
}

void CheckShortcut(const std::string& link, const std::string& target, const std::string& dir) {
  if (!Check(FileExists(link), "shortcut " + link + " exists")) return;
  const win32ui::LoadedLink found = win32ui::LoadLink(link, 0);
  if (!Check(found.loaded, "shortcut " + link + " can be read")) return;
  Check(_stricmp(found.target.c_str(), target.c_str()) == 0, "it points at " + target,
        "points at " + found.target);
  Check(_stricmp(found.workingDirectory.c_str(), dir.c_str()) == 0, "it works in " + dir,
        "works in " + found.workingDirectory);
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

std::string ProgramsFolder() { return win32ui::SpecialFolder(CSIDL_PROGRAMS); }
std::string DesktopFolder() { return win32ui::SpecialFolder(CSIDL_DESKTOPDIRECTORY); }

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

std::vector<std::string> Marks(const std::string& program) {
  std::vector<std::string> lines;
  std::istringstream in(ReadWholeFile(std::string(MarksDir) + "\\" + program + ".txt"));
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

bool ProductKeyExists() { return win32ui::RegistryKeyExists(ProductKey); }

void CheckRegistry(const std::string& dir, const std::string& group) {
  if (Check(win32ui::RegistryKeyExists(ProductKey),
            "HKLM\\SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo) exists")) {
    CheckTextValue(ProductKey, "pth", dir, 1024);
    CheckTextValue(ProductKey, "grp", group, 1024);
    const win32ui::RegistryValue checksum = win32ui::ReadRegistryValue(ProductKey, "chs");
    if (Check(checksum.present, "registry value chs exists")) {
      const std::vector<BYTE>& data = checksum.data;
      Check(checksum.type == REG_DWORD && data.size() == 4 && data[0] == 0 && data[1] == 0 &&
                data[2] == 0 && data[3] == 0,
            "chs is the REG_DWORD 0");
    }
  }
  // The 32-bit setup writes to the registry's 32-bit view: on 64-bit Windows
  // that is below Wow6432Node, and the 64-bit view holds nothing of it. The
  // 64-bit build (the benchmarks' stand-in, driven by a 64-bit driver) sees the
  // 64-bit view only.
  BOOL wow64 = FALSE;
  if (sizeof(void*) == 8) {
    Check(win32ui::RegistryKeyExists(ProductKey, KEY_WOW64_64KEY) &&
              !win32ui::RegistryKeyExists(ProductKey, KEY_WOW64_32KEY),
          "the 64-bit build's keys are in the 64-bit registry view only");
  } else if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    Check(win32ui::RegistryKeyExists(ProductKey, KEY_WOW64_32KEY) &&
              !win32ui::RegistryKeyExists(ProductKey, KEY_WOW64_64KEY) &&
              !win32ui::RegistryKeyExists(UninstallKey, KEY_WOW64_64KEY),
          "on 64-bit Windows both keys are in the 32-bit registry view only");
  } else {
    Check(!win32ui::RegistryKeyExists("SOFTWARE\\Wow6432Node"),
          "on 32-bit Windows the registry has one view (no Wow6432Node)");
  }
  if (Check(win32ui::RegistryKeyExists(UninstallKey), "the uninstall entry exists")) {
    CheckTextValue(UninstallKey, "DisplayName", Title, 21);
    const std::string uninstaller = dir + "\\Sweeper.exe";
    CheckTextValue(UninstallKey, "UninstallString", uninstaller,
                   static_cast<DWORD>(uninstaller.size() + 1));
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
  return win32ui::WindowProcess(window) == t.ProcessId() ? window : nullptr;
}

}  // namespace e2e
