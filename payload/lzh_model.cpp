#include "payload/lzh_model.h"

#if defined(LZH_SSE2_WHEN_PRESENT)
#include <cpuid.h>

static bool ProcessorHasSse2() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
}

bool LzhUseSse2 = ProcessorHasSse2();
#endif

static_assert(PositionCodeTable[31] == 0 && PositionCodeTable[32] == 1, "");
static_assert(PositionCodeTable[255] == 63 && PositionLengthTable[255] == 8, "");
static_assert(PositionEncodeCode[4] == 0x0A && PositionEncodeLength[4] == 5, "");

void LzhModel::InitTree() {
  for (uint32_t n = NodeCount; n < NodeCount + SymbolCount + 1; ++n) Child[n] = 0;
  for (uint32_t s = 0; s < SymbolCount; ++s) {
    Freq[s] = 1;
    Child[s] = static_cast<uint16_t>(s + NodeCount);
    Parent[s + NodeCount] = static_cast<uint16_t>(s);
  }
  uint32_t i = 0;
  for (uint32_t j = SymbolCount; j < NodeCount; ++j, i += 2) {
    Freq[j] = static_cast<uint16_t>(Freq[i] + Freq[i + 1]);
    Child[j] = static_cast<uint16_t>(i);
    Parent[i] = static_cast<uint16_t>(j);
    Parent[i + 1] = static_cast<uint16_t>(j);
  }
  for (uint32_t n = NodeCount; n < NodeCount + FreqPadding; ++n) Freq[n] = 0xFFFF;
  Parent[RootNode] = 0;
  RelinkGrand();
}

void LzhModel::RelinkGrand() {
  for (uint32_t n = 0; n < NodeCount; ++n) {
    const uint32_t c = Child[n];
    if (c >= NodeCount) continue;
    Grand[2 * n] = Child[c];
    Grand[2 * n + 1] = Child[c + 1];
  }
}

void LzhModel::RebuildTree() {
  // Gather the leaves at the bottom in their present order, counts halved (rounded up).
  uint32_t j = 0;
  for (uint32_t i = 0; i < NodeCount; ++i) {
    if (Child[i] >= NodeCount) {
      Freq[j] = static_cast<uint16_t>((Freq[i] + 1u) / 2u);
      Child[j] = Child[i];
      ++j;
    }
  }
  // Join pairs from the bottom; each new node goes after every node of an equal count.
  uint32_t i = 0;
  for (j = SymbolCount; j < NodeCount; ++j, i += 2) {
    const uint32_t f = static_cast<uint32_t>(Freq[i]) + Freq[i + 1];
    uint32_t p = j - 1;
    while (f < Freq[p]) --p;
    ++p;
    for (uint32_t m = j; m > p; --m) {
      Freq[m] = Freq[m - 1];
      Child[m] = Child[m - 1];
    }
    Freq[p] = static_cast<uint16_t>(f);
    Child[p] = static_cast<uint16_t>(i);
  }
  // Relink the parents.
  for (i = 0; i < NodeCount; ++i) {
    const uint32_t k = Child[i];
    Parent[k] = static_cast<uint16_t>(i);
    if (k < NodeCount) Parent[k + 1] = static_cast<uint16_t>(i);
  }
  for (uint32_t n = NodeCount; n < NodeCount + FreqPadding; ++n) Freq[n] = 0xFFFF;
  Parent[RootNode] = 0;
  RelinkGrand();
}
