// Where an installation of the demo lives, as the setup records it: the
// registry keys below HKEY_LOCAL_MACHINE, the list file in the installation
// directory, and the shortcut files in the start-menu group and on the
// desktop. Shared by the uninstaller and its tests.
#pragma once

namespace sweeper {

constexpr char ProductTitle[] = "Umberlay Vale (Demo)";

// The product's own key, with "pth" (installation directory), "grp" (group
// below the Programs folder) and "chs"; and its maker's key above it.
constexpr char ProductKey[] = "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)";
constexpr char MakerKey[] = "SOFTWARE\\Aldmoor&Brisk";
constexpr char UninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Umberlay Vale (Demo)";
constexpr char InstallDirValue[] = "pth";
constexpr char GroupValue[] = "grp";

// The list of installed entries, in the installation directory.
constexpr char ListFileName[] = "UMBERLAY VALE.UNS";

// The four shortcut files in the group folder, and the desktop shortcut.
constexpr const char* StartMenuLinks[] = {
    "Umberlay Vale (Demo).lnk",
    "Umberlay Vale (Demo) CONFIGURATION.lnk",
    "UNINSTALL Umberlay Vale (Demo).lnk",
    "README.lnk",
};
constexpr char DesktopLink[] = "Umberlay Vale (Demo).lnk";

}  // namespace sweeper
