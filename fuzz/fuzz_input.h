// Splits a fuzzer's input into the header fields a harness needs and the rest.
#pragma once

#include <cstddef>
#include <cstdint>

struct FuzzInput {
  const uint8_t* data;
  size_t size;

  // Takes n bytes as a little-endian number (zero past the end).
  uint32_t Take(size_t n) {
    uint32_t v = 0;
    for (size_t k = 0; k < n; ++k) {
      const uint32_t b = k < size ? data[k] : 0;
      v |= b << (8 * k);
    }
    const size_t used = n < size ? n : size;
    data += used;
    size -= used;
    return v;
  }
};
