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
}

void LzhModel::RebuildTree() {
  // The leaves in their present order with their counts halved (rounded up): the order
  // of their counts stays non-decreasing.
  uint16_t leafFreq[SymbolCount];
  uint16_t leafSymbol[SymbolCount];
  uint32_t leaves = 0;
  for (uint32_t n = 0; n < NodeCount; ++n) {
    if (Child[n] >= NodeCount) {
      leafFreq[leaves] = static_cast<uint16_t>((Freq[n] + 1u) / 2u);
      leafSymbol[leaves] = Child[n];
      ++leaves;
    }
  }
  // Join pairs from the bottom, each joined node placed after every node of an equal
  // count. Joined nodes come with non-decreasing counts and the pair joined next is
  // always at the next two places (2q, 2q + 1 for the q-th joined node), so the result
  // is the merge of the two sorted sequences, a leaf first where counts are equal: each
  // place is filled in order, from the next leaf or the next joined node, whichever
  // counts less. A joined node is never due before both its children have their places.
  uint32_t leaf = 0;
  uint32_t joined = 0;
  for (uint32_t n = 0; n < NodeCount; ++n) {
    const bool pairReady = 2 * joined + 1 < n;
    const uint32_t pairFreq = pairReady ? Freq[2 * joined] + Freq[2 * joined + 1] : 0;
    if (leaf < SymbolCount && (!pairReady || leafFreq[leaf] <= pairFreq)) {
      Freq[n] = leafFreq[leaf];
      Child[n] = leafSymbol[leaf];
      ++leaf;
    } else {
      Freq[n] = static_cast<uint16_t>(pairFreq);
      Child[n] = static_cast<uint16_t>(2 * joined);
      ++joined;
    }
  }
  // Relink the parents.
  for (uint32_t n = 0; n < NodeCount; ++n) {
    const uint32_t k = Child[n];
    Parent[k] = static_cast<uint16_t>(n);
    if (k < NodeCount) Parent[k + 1] = static_cast<uint16_t>(n);
  }
  Parent[RootNode] = 0;
}
