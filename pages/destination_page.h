// The destination page (template 118): the user types or browses to the
// installation directory, sees the free space of its drive (1006) beside the
// space needed (1007, from Setup.RequiredBytes), and on Next gets the
// directory, with any missing parents, created after a question. Outcomes:
// 1 Next (Setup.InstallDir then equals Setup.DirField), 2 Back, 3 Cancel.
// Back and Cancel drop what was typed: the field shows Setup.DirField again
// at the next showing. Every directory level the page makes and keeps is
// recorded in RunJournal (the one a No answer removes again is not).
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <cstdint>

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Lets the user choose a folder (the shell's folder browser, owned by owner).
// True when a folder was chosen and takes files (a probe file could be
// created and removed there); Setup.InstallDir then holds the folder, a drive
// root without its backslash ("C:"). An existing file named like the probe is
// never touched. On a failed probe shows "Unable to install to ..." and
// returns false.
bool BrowseForDestination(HWND owner);

// Frees an item list that the shell returned, through the shell's allocator.
void FreeItemList(LPITEMIDLIST itemList);

// Reads the edit field into Setup.DirField, measures the free space of its
// drive (its first three characters), shows it and the needed space, and
// enables Next only when the free space exceeds Setup.RequiredBytes. When the
// free space cannot be read, says so and leaves the figures and Next as they are.
void ShowDiskSpace(HWND page);

// The free space measured by the last ShowDiskSpace.
extern uint64_t FreeBytes;

// Creates the prefixes in PrefixTable from the shortest to the longest; an
// existing one counts as created. 1 when all exist, -1 at the first that can
// be neither created nor found.
int CreatePathChain();

// Creates path with its missing parents, from the top down (SplitPathPrefixes,
// CreatePathChain, then path itself). True when path exists as a directory at
// the end; false for an empty path, one with more levels than the prefix table
// holds, or a level that cannot be made (levels made before it stay).
bool CreateDestinationChain(const char* path);
