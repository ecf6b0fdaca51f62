#include "fake_install.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "window_driver.h"

namespace fake {
namespace {

const char* const StartMenuLinkNames[] = {
    "Umberlay Vale (Demo)",
    "Umberlay Vale (Demo) CONFIGURATION",
    "UNINSTALL Umberlay Vale (Demo)",
    "README",
};
const char* const StartMenuTargets[] = {"Vale.exe", "config.exe", "Sweeper.exe", "ReadMe.txt"};

void CreateLink(const std::string& linkPath, const std::string& target, const std::string& description,
                const std::string& workingDir) {
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    link->SetWorkingDirectory(workingDir.c_str());
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH + 1];
      MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH + 1);
      file->Save(wide, TRUE);
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
}

void SetText(HKEY key, const char* name, const std::string& text, DWORD length) {
  std::vector<char> data(length > text.size() + 1 ? length : text.size() + 1, 'x');
  std::memcpy(data.data(), text.c_str(), text.size() + 1);  // junk after the zero, as the setup leaves it
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                 static_cast<DWORD>(data.size()));
}

}  // namespace

std::string ProgramsFolder() { return win32ui::SpecialFolder(CSIDL_PROGRAMS); }
std::string DesktopFolder() { return win32ui::SpecialFolder(CSIDL_DESKTOP); }

void WriteRegistry(const std::string& installDir, const std::string& group) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    SetText(key, "pth", installDir, 1024);
    SetText(key, "grp", group, 1024);
    DWORD zero = 0;
    RegSetValueExA(key, "chs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
  }
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    SetText(key, "DisplayName", "Umberlay Vale (Demo)", 0);
    SetText(key, "UninstallString", installDir + "\\Sweeper.exe", 0);
    RegCloseKey(key);
  }
}

void RemoveRegistry() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, ProductKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, MakerKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallKey);
}

std::vector<std::string> ShortcutFiles(const Installation& installation) {
  std::vector<std::string> files;
  for (const char* name : StartMenuLinkNames) files.push_back(installation.groupDir + "\\" + name + ".lnk");
  files.push_back(installation.desktopLink);
  return files;
}

Installation Install(const std::string& name, const std::string& group,
                     const std::vector<std::string>& extraListLines) {
  Installation installation;
  CreateDirectoryA("C:\\demo-tests", nullptr);
  installation.root = "C:\\demo-tests\\" + name;
  driver::RemoveTree(installation.root);
  CreateDirectoryA(installation.root.c_str(), nullptr);
  installation.installDir = installation.root + "\\Umberlay Vale (Demo)";
  CreateDirectoryA(installation.installDir.c_str(), nullptr);
  installation.group = group;

  // The entries in the order the extraction engine writes them.
  installation.installed = {
      "SWEEPER.EXE", "VALE.EXE", "README.TXT", "VALE.INI", "UMBERLAY VALE.UNS",
      "DATA\\", "DATA\\TEXTURES.PAK", "SAVES\\", "SAVES\\DEFAULT.SAV",
      "DATA\\LEVELS\\", "DATA\\LEVELS\\L1.MAP", "DATA\\LEVELS\\L2.MAP",
      "DATA\\SOUND\\", "DATA\\SOUND\\AMBIENT.WAV",
  };
  std::string list;
  for (const std::string& entry : installation.installed) {
    if (entry.back() == '\\') {
      list += "!" + entry.substr(0, entry.size() - 1) + "\r\n";
    } else {
      list += entry + "\r\n";
    }
  }
  for (const std::string& line : extraListLines) list += line + "\r\n";

  for (const std::string& entry : installation.installed) {
    std::string path = installation.installDir + "\\" + entry;
    if (entry.back() == '\\') {
      path.pop_back();
      CreateDirectoryA(path.c_str(), nullptr);
    } else if (entry == "SWEEPER.EXE") {
      CopyFileA((driver::ProgramsDir + "\\Sweeper.exe").c_str(), path.c_str(), FALSE);
    } else if (entry == "UMBERLAY VALE.UNS") {
      driver::WriteWholeFile(path, list);
    } else {
      driver::WriteWholeFile(path, "installed " + entry + "\r\n");
    }
  }
  // An installed file that has become read-only is still the product's.
  SetFileAttributesA((installation.installDir + "\\DATA\\TEXTURES.PAK").c_str(), FILE_ATTRIBUTE_READONLY);

  WriteRegistry(installation.installDir, group);

  std::string programs = ProgramsFolder();
  installation.groupDir = programs;
  size_t start = 0;
  while (start <= group.size()) {
    size_t cut = group.find('\\', start);
    if (cut == std::string::npos) cut = group.size();
    installation.groupDir += "\\" + group.substr(start, cut - start);
    CreateDirectoryA(installation.groupDir.c_str(), nullptr);
    start = cut + 1;
  }
  for (int i = 0; i < 4; ++i) {
    CreateLink(installation.groupDir + "\\" + StartMenuLinkNames[i] + ".lnk",
               installation.installDir + "\\" + StartMenuTargets[i], StartMenuLinkNames[i],
               installation.installDir);
  }
  installation.desktopLink = DesktopFolder() + "\\Umberlay Vale (Demo).lnk";
  CreateLink(installation.desktopLink, installation.installDir + "\\Vale.exe", "Umberlay Vale (Demo)",
             installation.installDir);
  return installation;
}

void CleanUp(const Installation& installation) {
  driver::RemoveTree(installation.root);
  if (!installation.group.empty()) {
    std::string top = installation.group.substr(0, installation.group.find('\\'));
    driver::RemoveTree(ProgramsFolder() + "\\" + top);
  }
  DeleteFileA(installation.desktopLink.c_str());
  RemoveRegistry();
}

}  // namespace fake
