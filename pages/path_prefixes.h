// The directory prefixes of a destination path, collected so that the
// missing levels of the path can be created from the top down.
#pragma once

#include <cstdint>

// Slots of the prefix table, and the size of each slot (a path buffer).
constexpr int PrefixTableSlots = 32;
constexpr int PrefixSlotSize = 1025;

// Slot 0 holds the longest prefix, slot PrefixCount-1 the shortest.
extern char PrefixTable[PrefixTableSlots][PrefixSlotSize];
extern int32_t PrefixCount;

// Clears the table, then stores, for each backslash of path from the last to
// the first, everything before that backslash ("D:\Games\Vale" gives
// "D:\Games" and "D:"; the path itself is never a prefix; a backslash at
// position 0 gives an empty prefix). Returns false, with the table left
// empty, when path is empty or has more backslashes than the table has
// slots; true otherwise. Paths longer than a slot keep only what fits the
// slot's text (never more than 1024 characters).
bool SplitPathPrefixes(const char* path);
