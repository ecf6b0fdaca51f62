// The shell's item lists and special folders, as the pages and the shortcuts
// use them: an item list the shell hands out goes back to the shell's
// allocator, and a special folder is wanted as a file-system path.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "shell/base/setup_state.h"

// Frees an item list that the shell returned, through the shell's allocator.
// Nothing happens when the allocator cannot be had.
void FreeItemList(LPITEMIDLIST itemList);

// Locates a special folder (CSIDL_PROGRAMS, CSIDL_DESKTOP ...), asking with
// Setup.MainWindow as owner, and writes its file-system path into path; the
// item list is freed again. False, with path empty, when the folder cannot be
// located or has no file-system path.
bool SpecialFolderPath(int csidl, PathBuffer& path);
