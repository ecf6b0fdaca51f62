// Recording into an InstallJournal the files and directories that the setup creates on
// Windows. Whether a path is new is told by the call that creates it where it can be
// (CreateDirectoryA succeeds only for a directory it made; the extraction's target says
// whether CreateFileA made or overwrote a file), and asked right before otherwise.
// Paths are recorded in full, resolved against the current directory of the moment,
// because the undo runs from another one. Every function leaves the last error as the
// creating call left it.
#pragma once

#include <windows.h>

#include "shell/base/install_journal.h"

// Records path as a file or a directory this run created.
void RecordNewFile(InstallJournal& journal, const char* path);
void RecordNewDirectory(InstallJournal& journal, const char* path);

// CreateDirectoryA(path) that records the directory when this call made it.
BOOL CreateDirectoryRecorded(InstallJournal& journal, const char* path);

// True only when the system says that nothing is at path (not found, or a parent not
// found); a path it cannot look at counts as there. For creations that do not tell
// whether they made the path (a shell link's Save): asked right before, and what is
// there afterwards at a path that was absent is the run's.
bool PathIsAbsent(const char* path);
