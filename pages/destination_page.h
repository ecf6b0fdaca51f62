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
#include <cstdint>

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

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
