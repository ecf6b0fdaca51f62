// The colour arithmetic of the backdrop's gradient, free of any window
// system so that it can be checked everywhere.
#pragma once

#include <cstdint>

// The level (0..255) of row y on a screen of the given height: y * 255 /
// height in signed 32-bit arithmetic, of which only the low 8 bits count. A
// height of 0 or less (the platform could not tell it) gives level 0 for
// every row instead of a division by zero.
inline int32_t GradientLevelFor(int32_t y, int32_t height) {
  if (height <= 0) return 0;
  const int64_t quotient = static_cast<int64_t>(y) * 255 / height;
  return static_cast<int32_t>(static_cast<uint32_t>(quotient) & 0xFF);
}

// The colour reference (0x00BBGGRR) of a row with level v: red and green v,
// blue 255 - v.
inline uint32_t GradientColour(int32_t v) {
  return (static_cast<uint32_t>(255 - v) << 16) + (static_cast<uint32_t>(v) << 8) +
         static_cast<uint32_t>(v);
}
