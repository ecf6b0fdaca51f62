// The uninstaller's work on the machine: reads the product's registry key,
// removes what the installation's list file names (deepest first, only
// inside the registered directory, only entries the list names, folders only
// when empty), the start-menu shortcuts and the group folders they leave
// empty, the desktop shortcut, and both registry keys. Windows only; the
// list and path rules are in uninstall_list.h.
#pragma once

#include <windows.h>

#include <string>

#include "demo/sweeper/removal_report.h"

namespace sweeper {

// Runs the whole removal. owner is handed to the special-folder look-ups.
// When the registration is missing or unusable, or the list cannot be read,
// nothing is changed and report.stopReason says why. runningProgram is the
// uninstaller's own file when it runs from the installation itself (empty
// otherwise): if it cannot be deleted it is removed at the next restart,
// with the installation folder when nothing else is left in it.
RemovalReport RemoveInstallation(HWND owner, const std::string& runningProgram);

}  // namespace sweeper
