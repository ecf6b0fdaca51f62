// A small installation of the demo made the way the setup leaves one: a
// tree with its list file and the real Sweeper.exe in a scratch folder of
// the Wine prefix, the registry keys, the four start-menu shortcuts and the
// desktop shortcut. The names are written out here, independently of the
// uninstaller's own constants.
#pragma once

#include <string>
#include <vector>

namespace fake {

constexpr char ProductKey[] = "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)";
constexpr char MakerKey[] = "SOFTWARE\\Aldmoor&Brisk";
constexpr char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Umberlay Vale (Demo)";

struct Installation {
  std::string root;        // C:\demo-tests\<name>: holds the installation and things beside it
  std::string installDir;  // root\Umberlay Vale (Demo)
  std::string group;       // below the Programs folder
  std::string groupDir;    // full path of the group folder
  std::string desktopLink;
  std::vector<std::string> installed;  // relative paths, folders with a trailing backslash
};

// Makes the scratch root afresh and installs into it. extraListLines are
// appended to the list file as they are (each with "\r\n").
Installation Install(const std::string& name, const std::string& group,
                     const std::vector<std::string>& extraListLines = {});

// Writes the two keys as the setup does ("pth" and "grp" 1024 bytes long).
void WriteRegistry(const std::string& installDir, const std::string& group);
void RemoveRegistry();

// The four start-menu shortcut files of the installation and the desktop one.
std::vector<std::string> ShortcutFiles(const Installation& installation);

std::string ProgramsFolder();
std::string DesktopFolder();

// Removes what a test left behind: scratch root, group folders, desktop
// link, registry keys.
void CleanUp(const Installation& installation);

}  // namespace fake
