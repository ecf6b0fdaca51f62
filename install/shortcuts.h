// The product's shortcut files: a program-group folder chain below the start
// menu's Programs folder with four shortcuts ("Umberlay Vale (Demo)" to
// Vale.exe, "... CONFIGURATION" to config.exe, "UNINSTALL ..." to Sweeper.exe,
// "README" to ReadMe.txt), and
// on request one shortcut on the desktop. Each shortcut holds its target, its
// description and the working directory Setup.InstallDir. Nothing here shows
// a message or reports a failure: a step that fails ends that shortcut work
// silently and the installation goes on. A composed path that would not fit a
// PathBuffer skips the shortcut in question.
#pragma once

#include "shell/base/setup_state.h"

// Appends component to path, inserting one backslash unless path is empty or
// already ends in a backslash or slash. Returns false, with path unchanged,
// when the result would not fit in the buffer.
bool AppendPathComponent(PathBuffer& path, const char* component);

// Creates every level of Setup.ProgramGroup below the Programs folder (empty
// levels included; an existing level is accepted), then the four shortcuts in
// the last level. A level that cannot be created ends the work: no shortcut.
void CreateStartMenuShortcuts();

// Writes "<desktop>\<name>.lnk" with the given target, description name and
// working directory Setup.InstallDir.
void CreateDesktopShortcut(const char* targetPath, const char* name);
