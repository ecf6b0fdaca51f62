#include "pages/kbytes_text.h"

#include <cstdio>

void FormatKBytes(uint64_t bytes, char* out) {
  if (out == nullptr) return;
  const uint64_t k = bytes / 1024;
  const unsigned units = static_cast<unsigned>(k % 1000);
  const unsigned thousands = static_cast<unsigned>((k / 1000) % 1000);
  const unsigned millions = static_cast<unsigned>((k / 1000000) % 1000);
  const unsigned long long top = k / 1000000000;

  int length = 0;
  auto append = [&](const char* format, unsigned long long value) {
    length += std::snprintf(out + length, KBytesTextSize - length, format, value);
  };
  if (top != 0) {
    append("%llu,", top);
    append("%03llu,", millions);
    append("%03llu,", thousands);
    append("%03llu", units);
  } else if (millions != 0) {
    append("%llu,", millions);
    append("%03llu,", thousands);
    append("%03llu", units);
  } else if (thousands != 0) {
    append("%llu,", thousands);
    append("%03llu", units);
  } else {
    append("%llu", units);
  }
}

bool SpaceSuffices(uint64_t freeBytes, uint32_t requiredBytes) {
  return freeBytes > requiredBytes;
}
