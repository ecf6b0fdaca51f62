// The installation proper, run on the modeless progress page: extraction of
// the payload (resource "EXAR" #163 of the page's module, read in place) into
// Setup.InstallDir, the registry records, the shortcuts and the DirectDraw
// check. Comes back only when the installation is complete, with the page
// ended; every failure destroys the page and ends the setup with a fatal
// error:
//   9  the payload resource cannot be found, or a record of ProductKey or the
//      UninstallKey itself cannot be written;
//   4  the payload is damaged (refused before anything is written);
//   7  InstallDir cannot be made the current directory (nothing is written);
//   6  files of the payload could not be created or fully written (after the
//      extraction has written everything it could).
#pragma once

#include <windows.h>

class ExtractTarget;
class RegistryWriter;

// The installation's registry keys, both below HKEY_LOCAL_MACHINE.
constexpr char ProductKey[] = "SOFTWARE\\Aldmoor&Brisk\\Umberlay Vale (Demo)";
constexpr char UninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Umberlay Vale (Demo)";

// The payload's resource.
constexpr char PayloadResourceType[] = "EXAR";
constexpr int PayloadResourceId = 163;

// Status texts of the progress page, in the order in which they appear.
constexpr char StatusGathering[] = "Gathering necessary information...";
constexpr char StatusExtracting[] = "Extracting game files...";
constexpr char StatusRegistry[] = "Making changes to registry...";
constexpr char StatusStartMenu[] = "Adding Umberlay Vale to the start menu...";
constexpr char StatusDirectX[] = "Checking for DirectX installed on machine...";
constexpr char StatusComplete[] = "Installation complete.";

// The warning shown when DirectDraw's library is missing.
constexpr char DirectXWarning[] =
    "Installer found that requered DirectX 7 or better not installed,\n"
    "It can be downloaded from https://www.microsoft.com/download/details.aspx?id=35";

// Runs the whole installation on page (the window Setup.ProgressPage holds),
// extracting through the Win32 file target.
void RunInstall(HWND page);

// The same, extracting through target and writing the registry records
// through registry: lets file-system and registry faults be staged.
void RunInstallThrough(HWND page, ExtractTarget& target, RegistryWriter& registry);

// True when DirectDraw's library can be loaded; it is freed again at once.
bool HasDirectDraw();
