// The destination page (template 118): the user types or browses to the
// installation directory, sees the free space of its drive (1006) beside the
// space needed (1007, from Setup.RequiredBytes), and on Next gets the
// directory, with any missing parents, created after a question. Outcomes:
// 1 Next (Setup.InstallDir then equals Setup.DirField), 2 Back, 3 Cancel.
// Back and Cancel drop what was typed: the field shows Setup.DirField again
// at the next showing.
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
