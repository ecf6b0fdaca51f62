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
#include <cstring>
#if !defined(__SSE2__) && defined(__i386__) && defined(__GNUC__)
// The 32-bit build runs on processors without SSE2 too: the sixteen-wide search of
// LzhModel::LastBelow is compiled for SSE2 on its own and taken while LzhUseSse2 is
// set, which it is from the start when the processor has SSE2 (tests clear it to check
// the other search).
#define LZH_SSE2_WHEN_PRESENT 1
#define LZH_SSE2_FUNCTION __attribute__((target("sse2")))
extern bool LzhUseSse2;
#elif defined(__SSE2__)
#define LZH_SSE2_FUNCTION
#endif
#if defined(LZH_SSE2_FUNCTION)
#include <emmintrin.h>
#endif

constexpr uint32_t RingSize = 4096;
constexpr uint32_t RingMask = RingSize - 1;
constexpr uint32_t MaxMatch = 60;
constexpr uint32_t MinMatch = 3;
constexpr uint32_t SymbolCount = 314;             // 256 literals + (MaxMatch - MinMatch + 1) lengths
constexpr uint32_t NodeCount = 2 * SymbolCount - 1;  // 627
constexpr uint32_t RootNode = NodeCount - 1;      // 626
constexpr uint32_t MaxFreq = 0x8000;
// Sentinel counts of 0xFFFF behind the last node (see LzhModel::LastBelow).
constexpr uint32_t FreqPadding = 16;
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

// Index of the first 16-bit lane, in memory order, that is not zero (0..3 of a 64-bit
// word, 0..1 of a 32-bit one).
template <typename Word>
inline uint32_t LowestLane(Word lanes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && defined(__GNUC__)
  if (sizeof(Word) == 8) return static_cast<uint32_t>(__builtin_ctzll(lanes)) >> 4;
  return static_cast<uint32_t>(__builtin_ctz(static_cast<uint32_t>(lanes))) >> 4;
#else
  uint16_t lane[sizeof(Word) / 2];
  std::memcpy(lane, &lanes, sizeof lane);
  uint32_t i = 0;
  while (lane[i] == 0) ++i;
  return i;
#endif
}

struct LzhModel {
  // Freq[NodeCount] is a sentinel held at 0xFFFF that ends the search in UpdateTree;
  // fifteen more entries of 0xFFFF let that search read sixteen counts at a time.
  uint16_t Freq[NodeCount + FreqPadding];
  // Child[n] >= NodeCount: n is a leaf holding symbol Child[n] - NodeCount; otherwise the
  // children of n are Child[n] and Child[n] + 1. The entries from NodeCount on are held
  // at 0 and only read: they let UpdateTreeFrom read "the child links of a leaf's
  // children" without a branch (the values read are then not used).
  uint16_t Child[NodeCount + SymbolCount + 1];
  // Parent[n] for nodes (Parent[RootNode] = 0); Parent[NodeCount + s] is the leaf of s.
  // Parent[ParentSpare] is written but never read (see UpdateTreeFrom).
  static constexpr uint32_t ParentSpare = NodeCount + SymbolCount;
  uint16_t Parent[NodeCount + SymbolCount + 1];
  // Grand[2n + b] = Child[Child[n] + b] for every node n that is not a leaf: the child
  // link of each of n's children, so that a walk down can take two levels per load.
  // Entries of leaves are not used.
  uint16_t Grand[2 * NodeCount];

  // Every symbol counted once; the root's count is 314.
  void InitTree();
  // Counts symbol s once: its leaf and every ancestor, moving each node whose count
  // passes the next node's to just after the last node of a lower count.
  inline void UpdateTree(uint32_t s);
  // UpdateTree for the symbol of leaf node, given the leaf's ancestors below the root
  // (path[0] a child of the root ... path[depth - 1] the leaf's parent), as a decoder's
  // walk down has just found them. Same result as UpdateTree.
  inline void UpdateTreeAlong(uint32_t leaf, const uint16_t* path, uint32_t depth);
  // The update from node c (a leaf or a node on its way up) to the root.
  inline void UpdateTreeFrom(uint32_t c);
  // The last node from `from` on whose count is below k, given Freq[from] = k - 1 (the
  // counts are sorted, so the nodes below k are one run of k - 1). Compares several
  // counts at a time; the sentinel ends the run, and the padding behind it is only read.
  inline uint32_t LastBelow(uint32_t from, uint32_t k) const;
  // Rebuilds the tree from the leaves with their counts halved (rounded up).
  void RebuildTree();
  // Sets every Grand entry from Child.
  void RelinkGrand();
  // What both ends do after a symbol has been coded with the current tree: rebuild when
  // the root is full, then count the symbol.
  inline void CountSymbol(uint32_t s) {
    if (Freq[RootNode] == MaxFreq) RebuildTree();
    UpdateTree(s);
  }
};

inline void LzhModel::UpdateTree(uint32_t s) { UpdateTreeFrom(Parent[NodeCount + s]); }

inline void LzhModel::UpdateTreeAlong(uint32_t leaf, const uint16_t* path, uint32_t depth) {
  // While no exchange has happened, the parent of each node is the next one up the
  // path; the counts along it can then be raised without waiting for Parent loads.
  uint32_t c = leaf;
  for (;;) {
    const uint32_t k = ++Freq[c];
    if (k > Freq[c + 1]) break;
    if (depth == 0) {
      ++Freq[RootNode];
      return;
    }
    c = path[--depth];
  }
  --Freq[c];
  UpdateTreeFrom(c);
}

#if defined(LZH_SSE2_FUNCTION)
// LzhModel::LastBelow from m = from + 1, sixteen counts per step with SSE2.
LZH_SSE2_FUNCTION inline uint32_t LastBelowBySixteen(const uint16_t* freq, uint32_t m,
                                                     uint32_t k) {
  const __m128i run = _mm_set1_epi16(static_cast<short>(k - 1));
  for (;;) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&freq[m]));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&freq[m + 8]));
    const uint32_t same =
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(a, run))) |
        (static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(b, run))) << 16);
    if (same != 0xFFFFFFFFu) return m - 1 + (static_cast<uint32_t>(__builtin_ctz(~same)) >> 1);
    m += 16;
  }
}
#endif

inline uint32_t LzhModel::LastBelow(uint32_t from, uint32_t k) const {
  // Sixteen counts per step: the runs are mostly a few counts long, but long enough to
  // make a narrower step's loop exit hard to predict.
  uint32_t m = from + 1;
#if defined(LZH_SSE2_WHEN_PRESENT)
  if (LzhUseSse2) return LastBelowBySixteen(Freq, m, k);
#endif
#if defined(__SSE2__)
  return LastBelowBySixteen(Freq, m, k);
#elif UINTPTR_MAX > 0xFFFFFFFFu
  const uint64_t run = 0x0001000100010001ull * (k - 1);
  for (;;) {
    uint64_t four;
    std::memcpy(&four, &Freq[m], sizeof four);
    const uint64_t differ = four ^ run;
    if (differ != 0) {
      // Counts are read in memory order; the first differing one ends the run.
      return m - 1 + LowestLane(differ);
    }
    m += 4;
  }
#else
  // A 32-bit machine: two words of two counts each per step, so that no 64-bit
  // arithmetic (a multiply, a library call for the bit scan) is needed.
  const uint32_t run = 0x00010001u * (k - 1);
  for (;;) {
    uint32_t two[2];
    std::memcpy(two, &Freq[m], sizeof two);
    const uint32_t low = two[0] ^ run;
    const uint32_t high = two[1] ^ run;
    if ((low | high) != 0) {
      return m - 1 + (low != 0 ? LowestLane(low) : 2 + LowestLane(high));
    }
    m += 4;
  }
#endif
}

inline void LzhModel::UpdateTreeFrom(uint32_t c) {
  do {
    uint32_t k = ++Freq[c];
    if (k > Freq[c + 1]) {
      uint32_t l = LastBelow(c + 1, k);
      Freq[c] = Freq[l];
      Freq[l] = static_cast<uint16_t>(k);

      // A leaf has one Parent entry, a node two; a leaf's second write goes to the
      // spare entry, which keeps the branch (leaf or node: unpredictable) out.
      uint32_t i = Child[c];
      Parent[i] = static_cast<uint16_t>(l);
      Parent[i < NodeCount ? i + 1 : ParentSpare] = static_cast<uint16_t>(l);

      uint32_t j = Child[l];
      Child[l] = static_cast<uint16_t>(i);
      Parent[j] = static_cast<uint16_t>(c);
      Parent[j < NodeCount ? j + 1 : ParentSpare] = static_cast<uint16_t>(c);
      Child[c] = static_cast<uint16_t>(j);

      // Grand follows: the entries of c and l themselves (their children changed), and
      // the one entry of each parent that leads through c or l. Child links are even.
      Grand[2 * c] = Child[j];  // of no use when j is a leaf, but harmless
      Grand[2 * c + 1] = Child[j + 1];
      Grand[2 * l] = Child[i];
      Grand[2 * l + 1] = Child[i + 1];
      Grand[2 * Parent[c] + (c & 1)] = static_cast<uint16_t>(j);
      Grand[2 * Parent[l] + (l & 1)] = static_cast<uint16_t>(i);
      c = l;
    }
    c = Parent[c];
  } while (c != 0);
}
