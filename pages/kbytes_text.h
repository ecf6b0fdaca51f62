// Byte counts as the destination page shows them: whole KBytes (1024 bytes)
// with a comma between groups of three digits, e.g. 90,100,000 bytes -> "87,988".
#pragma once

#include <cstdint>

// Large enough for the text of any 64-bit count.
constexpr int KBytesTextSize = 32;

// Writes bytes / 1024 (remainder dropped) into out, which holds at least
// KBytesTextSize bytes. The groups below a billion KBytes are written with
// separators; everything above them is written whole as the first group
// ("1234,567,890,123"). Does nothing when out is null.
void FormatKBytes(uint64_t bytes, char* out);
