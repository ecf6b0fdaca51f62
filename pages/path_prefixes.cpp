#include "pages/path_prefixes.h"

#include <cstring>

char PrefixTable[PrefixTableSlots][PrefixSlotSize];
int32_t PrefixCount;

bool SplitPathPrefixes(const char* path) {
  std::memset(PrefixTable, 0, sizeof(PrefixTable));
  PrefixCount = 0;
  if (path == nullptr || path[0] == '\0') return false;

  const size_t length = std::strlen(path);
  int backslashes = 0;
  for (size_t i = 0; i < length; ++i) {
    if (path[i] == '\\') ++backslashes;
  }
  if (backslashes > PrefixTableSlots) return false;

  for (size_t i = length; i-- > 0;) {
    if (path[i] != '\\') continue;
    size_t take = i;
    if (take > PrefixSlotSize - 1) take = PrefixSlotSize - 1;
    std::memcpy(PrefixTable[PrefixCount], path, take);
    PrefixTable[PrefixCount][take] = '\0';
    ++PrefixCount;
  }
  return true;
}
