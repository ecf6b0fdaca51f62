// Acting on an installation that the registry records under ProductKey
// ("pth" the installation directory, "chs", "grp" the program group): finding
// it, starting the product, running its configuration program. Each operation
// reads the registered directory afresh. Programs are started by their full
// path (never through a search of blank-separated prefixes) with the
// registered directory as their working directory.
#pragma once

// True when ProductKey holds "pth", "chs" and "grp" and the registered
// directory still holds an uninstaller that can be opened. Fills
// Setup.ProgramGroup from "grp" whenever that value can be read, also when
// the uninstaller is missing.
bool FindPreviousInstall();

// Starts "<registered directory>\Vale.exe" after giving up the setup mutex
// and ends the setup with exit code -1, whether or not the product started.
// Without a readable registration it ends through AbortSetup.
[[noreturn]] void LaunchGameAndExit();

// Minimises the backdrop, runs "<registered directory>\config.exe" and waits
// until it has ended, then shows the backdrop maximised again. Returns at once
// when the registration cannot be read.
void RunConfigTool();

// True when path names a file that can be opened for reading with no sharing:
// a file that another process holds open counts as absent.
bool FileExists(const char* path);

// Starts program (a full path, given as the application name and, quoted, as
// the command line) in workingDirectory (null: the setup's own), waits at most
// 3000 ms until it is idle for input, then until it has ended. 1 when it was
// started and has ended, 0 when it cannot be started.
int RunAndWait(const char* program, const char* workingDirectory);
