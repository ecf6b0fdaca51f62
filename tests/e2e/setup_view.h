// What the driver knows about the setup it drives: the captions and controls
// of its pages, its texts, and the checks of what an installation leaves
// behind (registry values, shortcut files, files of the product).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/win32ui/system.h"
#include "ui_access.h"

namespace e2e {

using win32ui::FileExists;
using win32ui::IsDirectory;
using win32ui::ReadWholeFile;
using win32ui::WriteWholeFile;

constexpr char Title[] = "Umberlay Vale (Demo)";
constexpr char WideTitle[] = "Umberlay Vale  (Demo)";  // two blanks: pages 118 and 120
constexpr char LeaveQuestion[] = "Do you really want to leave installer ?";
constexpr char MarksDir[] = "C:\\e2e-marks";

HWND WaitWelcome(Target& t, double seconds = 20);
HWND WaitInstalledPage(Target& t, double seconds = 20);
HWND WaitDestination(Target& t, double seconds = 20);
HWND WaitGroup(Target& t, double seconds = 20);
HWND WaitProgress(Target& t, double seconds = 20);
HWND WaitFinish(Target& t, double seconds = 20);
HWND FindWelcome(Target& t);
HWND FindDestination(Target& t);
HWND FindFinish(Target& t);
HWND FindInstalledPage(Target& t);

// The texts of every static control of a page.
std::vector<std::string> StaticTexts(HWND page);

// "Folder\n\n<path>\n\ndoes not exist.\nWould you like to create new?"
std::string CreateQuestion(const std::string& path);
// "It is impossible to create directory \n\n<path>\n\nPlease try another path."
std::string CreateFailure(const std::string& path);

std::string DefaultDestination();  // <drive of Windows>Program Files\Umberlay Vale (Demo)
std::string ProgramsFolder();
std::string DesktopFolder();
// The plain folders of the Programs folder in enumeration order.
std::vector<std::string> ProgramGroups();

// The lines a stand-in program wrote (C:\e2e-marks\<name>.txt).
std::vector<std::string> Marks(const std::string& program);
void ClearMarks();

// Registry: checks ProductKey and UninstallKey for an installation into dir
// with group; returns false with the reasons reported.
void CheckRegistry(const std::string& dir, const std::string& group);
bool ProductKeyExists();
// The four start-menu shortcuts in the group folder, and the desktop one.
void CheckShortcuts(const std::string& dir, const std::string& group, bool desktop);
// The programs of the payload are in dir.
void CheckProductFiles(const std::string& dir);

// Waits for the process to end and fails if any message box appears before.
bool ExitsWithoutBox(Target& t, DWORD* exitCode, double seconds = 20);
// The backdrop window of the setup ("ZKSetupClass").
HWND Backdrop(Target& t);

}  // namespace e2e
