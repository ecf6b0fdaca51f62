// Windows access to the settings file: VALE.INI in the directory of the
// running program (the installation directory), read by the game and the
// configuration program, written by the configuration program.
#pragma once

#include <windows.h>

#include <string>

#include "demo/config/vale_settings.h"

namespace vale {

// The directory that holds the running program, without a trailing
// backslash ("C:\\Games\\Umberlay Vale (Demo)").
std::string ProgramDirectory();

// Reads the settings file in directory. A missing or unreadable file gives
// the defaults and *found = false; a file larger than 64 KiB is not read.
Settings LoadSettings(const std::string& directory, bool* found);

// Writes the whole file (create or truncate). On failure returns false with
// the platform's error code in *error; a partly written file is removed.
bool SaveSettings(const std::string& directory, const Settings& settings, DWORD* error);

}  // namespace vale
