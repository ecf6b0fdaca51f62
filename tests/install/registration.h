// The installation's registry records as the install tests stage and clear
// them: ProductKey ("pth", "grp", "chs") and UninstallKey.
#pragma once

#include <string>

// Removes ProductKey (with its maker's key when that is left empty) and
// UninstallKey.
void RemoveInstallationKeys();

// Registers an installation as the install sequence would.
void RegisterInstallation(const std::string& directory, const std::string& group,
                          bool withChecksum = true);
