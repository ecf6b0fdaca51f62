// Byte counts as the destination page shows and judges them: whole KBytes
// (1024 bytes) with a comma between groups of three digits, e.g. 90,100,000
// bytes -> "87,988"; and whether the free space is enough.
#pragma once

#include <cstdint>

// Large enough for the text of any 64-bit count.
constexpr int KBytesTextSize = 32;

// Writes bytes / 1024 (remainder dropped) into out, which holds at least
// KBytesTextSize bytes. The groups below a billion KBytes are written with
// separators; everything above them is written whole as the first group
// ("1234,567,890,123"). Does nothing when out is null.
void FormatKBytes(uint64_t bytes, char* out);

// True when a drive with freeBytes free takes an installation that needs
// requiredBytes: only strictly more is enough (equal amounts are not).
bool SpaceSuffices(uint64_t freeBytes, uint32_t requiredBytes);
