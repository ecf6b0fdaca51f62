// Start-up checks of the setup: the single-instance guard and the paths that
// the rest of the setup starts from.
#pragma once

#include <cstddef>

// Takes the named mutex "ZKSetupMutex" (kept in Setup.SetupMutex for the life
// of the process) and probes "TarnMutex" without keeping it. True when the
// setup must not run: another copy holds "ZKSetupMutex" or another program
// holds "TarnMutex".
bool CheckSingleInstance();

// Sets SetupPath (the running program), SourceDir (its directory with the
// trailing backslash), the default DirField ("<drive>Program Files\Umberlay
// Vale (Demo)" on the drive of the Windows directory) and empties
// ProgramGroup. Ends the setup with fatal error 1 when the program's own path
// cannot be obtained.
void InitPaths();

// Cuts a full program path after its last backslash: "E:\SETUP.EXE" becomes
// "E:\". A path without any backslash becomes empty (the current directory).
void KeepDirectoryPart(char* path);

// Composes the default destination from the Windows directory: its first three
// characters (drive, colon, backslash) and "Program Files\Umberlay Vale (Demo)".
void ComposeDefaultDestination(const char* windowsDirectory, char* out, size_t size);
