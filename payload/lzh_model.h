// The adaptive code model of LZHUF streams, shared by the decoder and the encoder.
//
// Literals (0..255) and match lengths (symbols 256..313 for lengths 3..60) share one
// adaptive Huffman code of 314 symbols. The code tree is held in three arrays in sibling
// order: counts never decrease with the node index, the two children of a node stand at
// adjacent indices (Child[n] and Child[n] + 1), and each node's count is the sum of its
// children's. After every symbol its leaf and all its ancestors count one more
// (UpdateTree); when the root reaches MaxFreq the tree is rebuilt from halved counts
// (RebuildTree). Match distances use a fixed prefix code for their upper six bits,
// followed by the lower six bits as plain bits (the distance tables below).
#pragma once

#include <cstdint>

constexpr uint32_t RingSize = 4096;
constexpr uint32_t RingMask = RingSize - 1;
constexpr uint32_t MaxMatch = 60;
constexpr uint32_t MinMatch = 3;
constexpr uint32_t SymbolCount = 314;             // 256 literals + (MaxMatch - MinMatch + 1) lengths
constexpr uint32_t NodeCount = 2 * SymbolCount - 1;  // 627
constexpr uint32_t RootNode = NodeCount - 1;      // 626
constexpr uint32_t MaxFreq = 0x8000;
constexpr uint32_t RingStart = RingSize - MaxMatch;  // 4036, first write position
constexpr uint32_t FlushMarker = 0xABCDABCD;
// Symbol of a match of length n is n + MatchSymbolBias (n = 3 gives 256).
constexpr uint32_t MatchSymbolBias = 256 - MinMatch;  // 253

// The distance code. The upper six bits u of a distance are sent as a prefix code of 3 to
// 8 bits, given out in increasing order of u, shortest first (000 for 0, 0010 for 1, ...
// eight one-bits for 63), followed by the lower six bits, most significant first. A
// value with an L-bit code owns 2^(8 - L) consecutive values of the code's first byte.
struct LzhPositionTables {
  uint8_t code[256];         // u for each value of the first eight bits of a code
  uint8_t length[256];       // prefix code length (3..8) for each such value
  uint8_t encodeCode[64];    // the prefix code of each u, right-aligned
  uint8_t encodeLength[64];  // its length in bits
};

constexpr LzhPositionTables MakeLzhPositionTables() {
  // Number of values u whose code has 3, 4, ... 8 bits.
  constexpr uint8_t codesOfLength[6] = {1, 3, 8, 12, 24, 16};
  LzhPositionTables t{};
  uint32_t first = 0;
  uint32_t u = 0;
  for (uint32_t n = 0; n < 6; ++n) {
    const uint32_t length = n + 3;
    const uint32_t span = 1u << (8 - length);
    for (uint32_t k = 0; k < codesOfLength[n]; ++k, ++u) {
      for (uint32_t i = 0; i < span; ++i) {
        t.code[first + i] = static_cast<uint8_t>(u);
        t.length[first + i] = static_cast<uint8_t>(length);
      }
      t.encodeCode[u] = static_cast<uint8_t>(first >> (8 - length));
      t.encodeLength[u] = static_cast<uint8_t>(length);
      first += span;
    }
  }
  return t;
}

inline constexpr LzhPositionTables LzhPositions = MakeLzhPositionTables();
inline constexpr const uint8_t (&PositionCodeTable)[256] = LzhPositions.code;
inline constexpr const uint8_t (&PositionLengthTable)[256] = LzhPositions.length;
inline constexpr const uint8_t (&PositionEncodeCode)[64] = LzhPositions.encodeCode;
inline constexpr const uint8_t (&PositionEncodeLength)[64] = LzhPositions.encodeLength;

struct LzhModel {
  // Freq[NodeCount] is a sentinel held at 0xFFFF that ends the search in UpdateTree.
  uint16_t Freq[NodeCount + 1];
  // Child[n] >= NodeCount: n is a leaf holding symbol Child[n] - NodeCount; otherwise the
  // children of n are Child[n] and Child[n] + 1.
  uint16_t Child[NodeCount];
  // Parent[n] for nodes (Parent[RootNode] = 0); Parent[NodeCount + s] is the leaf of s.
  uint16_t Parent[NodeCount + SymbolCount];

  // Every symbol counted once; the root's count is 314.
  void InitTree();
  // Counts symbol s once: its leaf and every ancestor, moving each node whose count
  // passes the next node's to just after the last node of a lower count.
  inline void UpdateTree(uint32_t s);
  // Rebuilds the tree from the leaves with their counts halved (rounded up).
  void RebuildTree();
  // What both ends do after a symbol has been coded with the current tree: rebuild when
  // the root is full, then count the symbol.
  inline void CountSymbol(uint32_t s) {
    if (Freq[RootNode] == MaxFreq) RebuildTree();
    UpdateTree(s);
  }
};

inline void LzhModel::UpdateTree(uint32_t s) {
  uint32_t c = Parent[NodeCount + s];
  do {
    uint32_t k = ++Freq[c];
    if (k > Freq[c + 1]) {
      // Find the last node whose count is still below k; the sentinel stops the scan.
      uint32_t l = c + 1;
      while (k > Freq[l + 1]) ++l;
      Freq[c] = Freq[l];
      Freq[l] = static_cast<uint16_t>(k);

      uint32_t i = Child[c];
      Parent[i] = static_cast<uint16_t>(l);
      if (i < NodeCount) Parent[i + 1] = static_cast<uint16_t>(l);

      uint32_t j = Child[l];
      Child[l] = static_cast<uint16_t>(i);
      Parent[j] = static_cast<uint16_t>(c);
      if (j < NodeCount) Parent[j + 1] = static_cast<uint16_t>(c);
      Child[c] = static_cast<uint16_t>(j);
      c = l;
    }
    c = Parent[c];
  } while (c != 0);
}
