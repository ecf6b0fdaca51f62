// The adaptive code model of LZHUF streams, shared by the decoder and the encoder.
//
// Literals (0..255) and match lengths (symbols 256..313 for lengths 3..60) share one
// adaptive Huffman code of 314 symbols. The code tree is held in three arrays in sibling
// order: counts never decrease with the node index, the two children of a node stand at
// adjacent indices (Child[n] and Child[n] + 1), and each node's count is the sum of its
// children's. After every symbol its leaf and all its ancestors count one more; a node
// whose count passes the next node's changes places with the last node of its old count
// (Exchange); when the root reaches MaxFreq the tree is rebuilt from halved counts
// (RebuildTree). Match distances use a fixed prefix code for their upper six bits,
// followed by the lower six bits as plain bits (the distance tables below).
//
// Whoever keeps structures derived from the tree (the decoder's code table) passes a
// shape observer to the update: it hears of every exchange, after the fact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#if !defined(__SSE2__) && defined(__i386__) && defined(__GNUC__)
// The 32-bit build runs on processors without SSE2 too: the sixteen-wide search of
// LzhModel::RunEnd is compiled for SSE2 on its own and taken while LzhUseSse2 is set,
// which it is from the start when the processor has SSE2 (tests clear it to check the
// other search).
#define LZH_SSE2_WHEN_PRESENT 1
#define LZH_SSE2_FUNCTION __attribute__((target("sse2")))
extern bool LzhUseSse2;
#elif defined(__SSE2__)
#define LZH_SSE2_FUNCTION
#endif
#if defined(LZH_SSE2_FUNCTION)
#include <emmintrin.h>
#endif

#if defined(__GNUC__)
#define LZH_NOINLINE __attribute__((noinline))
#define LZH_INLINE inline __attribute__((always_inline))
#define LZH_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define LZH_NOINLINE
#define LZH_INLINE inline
#define LZH_UNLIKELY(x) (x)
#endif

constexpr uint32_t RingSize = 4096;
constexpr uint32_t RingMask = RingSize - 1;
constexpr uint32_t MaxMatch = 60;
constexpr uint32_t MinMatch = 3;
constexpr uint32_t SymbolCount = 314;             // 256 literals + (MaxMatch - MinMatch + 1) lengths
constexpr uint32_t NodeCount = 2 * SymbolCount - 1;  // 627
constexpr uint32_t RootNode = NodeCount - 1;      // 626
constexpr uint32_t MaxFreq = 0x8000;
// Sentinel counts of 0xFFFF behind the last node (see LzhModel::RunEnd).
constexpr uint32_t FreqPadding = 16;
constexpr uint32_t RingStart = RingSize - MaxMatch;  // 4036, first write position
constexpr uint32_t FlushMarker = 0xABCDABCD;
// Symbol of a match of length n is n + MatchSymbolBias (n = 3 gives 256).
constexpr uint32_t MatchSymbolBias = 256 - MinMatch;  // 253

// Node indices in the update's loops are machine words: an index plus one then folds
// into the address instead of costing an instruction to stay within 32 bits.
using LzhIndex = size_t;

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

struct LzhModel;

// The observer of a model that keeps nothing derived from the tree.
struct LzhNoShape {
  void Exchanged(const LzhModel&, LzhIndex, LzhIndex, LzhIndex, LzhIndex) {}
};

struct LzhModel {
  // Freq[NodeCount] is a sentinel held at 0xFFFF that ends the run search of Exchange;
  // fifteen more entries of 0xFFFF let that search read sixteen counts at a time.
  uint16_t Freq[NodeCount + FreqPadding];
  // Child[n] >= NodeCount: n is a leaf holding symbol Child[n] - NodeCount; otherwise the
  // children of n are Child[n] and Child[n] + 1. The entries from NodeCount on are held
  // at 0 and only read: "the child links of a leaf's children" can then be read without
  // a branch (the values read are not used).
  uint16_t Child[NodeCount + SymbolCount + 1];
  // Parent[n] for nodes (Parent[RootNode] = 0); Parent[NodeCount + s] is the leaf of s.
  // Parent[ParentSpare] is written but never read (see Exchange).
  static constexpr uint32_t ParentSpare = NodeCount + SymbolCount;
  uint16_t Parent[NodeCount + SymbolCount + 1];

  // Every symbol counted once; the root's count is 314.
  void InitTree();
  // Rebuilds the tree from the leaves with their counts halved (rounded up).
  void RebuildTree();

  // The last node from c + 1 on whose count is k - 1, given Freq[c] = k - 1 before its
  // raise (the counts are sorted, so the nodes of k - 1 from c on are one run); c itself
  // when Freq[c + 1] is not k - 1. Compares sixteen counts at a time; the sentinel ends
  // the run, and the padding behind it is only read.
  inline LzhIndex RunEnd(LzhIndex c, uint32_t k) const;

  // Node c's count becomes k, which is one more than it was (Freq[c] may hold either):
  // c changes places with the last node of count k - 1, which then holds c's children
  // (or symbol) and count k, and is returned. When that node is c itself nothing moves
  // and c is returned with count k: the call may be made whether or not the order needs
  // mending. The observer hears of every call with the two nodes and the links they
  // held before (i at c, j at the returned node).
  template <typename Shape>
  LZH_INLINE LzhIndex Exchange(LzhIndex c, uint32_t k, Shape& shape);
  // The same, kept out of line: for the update's loop, where exchanges are the exception.
  template <typename Shape>
  LZH_NOINLINE LzhIndex ExchangeOutOfLine(LzhIndex c, uint32_t k, Shape& shape) {
    return Exchange(c, k, shape);
  }

  // Counts one more for node c and each of its ancestors, mending the order on the way.
  template <typename Shape>
  LZH_INLINE void UpdateFrom(LzhIndex c, Shape& shape);

  // Counts symbol s once: its leaf and every ancestor.
  void UpdateTree(uint32_t s) {
    LzhNoShape none;
    UpdateFrom(Parent[NodeCount + s], none);
  }
  // What both ends do after a symbol has been coded with the current tree: rebuild when
  // the root is full, then count the symbol.
  void CountSymbol(uint32_t s) {
    if (Freq[RootNode] == MaxFreq) RebuildTree();
    UpdateTree(s);
  }
};

#if defined(LZH_SSE2_FUNCTION)
// LzhModel::RunEnd from p = &Freq[c + 1], sixteen counts per step with SSE2.
LZH_SSE2_FUNCTION inline const uint16_t* RunEndBySixteen(const uint16_t* p, uint32_t k) {
  const __m128i run = _mm_set1_epi16(static_cast<short>(k - 1));
  for (;;) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const uint32_t same =
        static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(a, run))) |
        (static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(b, run))) << 16);
    if (same != 0xFFFFFFFFu) return p - 1 + (static_cast<uint32_t>(__builtin_ctz(~same)) >> 1);
    p += 16;
  }
}
#endif

inline LzhIndex LzhModel::RunEnd(LzhIndex c, uint32_t k) const {
  // Sixteen counts per step: the runs are mostly a few counts long, but long enough to
  // make a narrower step's loop exit hard to predict.
  const uint16_t* p = &Freq[c + 1];
#if defined(LZH_SSE2_WHEN_PRESENT)
  if (LzhUseSse2) return static_cast<LzhIndex>(RunEndBySixteen(p, k) - Freq);
#endif
#if defined(__SSE2__)
  return static_cast<LzhIndex>(RunEndBySixteen(p, k) - Freq);
#elif UINTPTR_MAX > 0xFFFFFFFFu
  const uint64_t run = 0x0001000100010001ull * (k - 1);
  for (;;) {
    uint64_t four;
    std::memcpy(&four, p, sizeof four);
    const uint64_t differ = four ^ run;
    // Counts are read in memory order; the first differing one ends the run.
    if (differ != 0) return static_cast<LzhIndex>(p - Freq) - 1 + LowestLane(differ);
    p += 4;
  }
#else
  // A 32-bit machine: two words of two counts each per step, so that no 64-bit
  // arithmetic (a multiply, a library call for the bit scan) is needed.
  const uint32_t run = 0x00010001u * (k - 1);
  for (;;) {
    uint32_t two[2];
    std::memcpy(two, p, sizeof two);
    const uint32_t low = two[0] ^ run;
    const uint32_t high = two[1] ^ run;
    if ((low | high) != 0) {
      return static_cast<LzhIndex>(p - Freq) - 1 +
             (low != 0 ? LowestLane(low) : 2 + LowestLane(high));
    }
    p += 4;
  }
#endif
}

template <typename Shape>
LZH_INLINE LzhIndex LzhModel::Exchange(LzhIndex c, uint32_t k, Shape& shape) {
  const LzhIndex l = RunEnd(c, k);
  Freq[c] = Freq[l];
  Freq[l] = static_cast<uint16_t>(k);
  const LzhIndex i = Child[c];
  const LzhIndex j = Child[l];
  Child[l] = static_cast<uint16_t>(i);
  Child[c] = static_cast<uint16_t>(j);
  // A leaf has one Parent entry, a node two; a leaf's second write goes to the spare
  // entry, which keeps the branch (leaf or node: unpredictable) out. When l is c, each
  // write puts back what was there.
  Parent[i] = static_cast<uint16_t>(l);
  Parent[i < NodeCount ? i + 1 : ParentSpare] = static_cast<uint16_t>(l);
  Parent[j] = static_cast<uint16_t>(c);
  Parent[j < NodeCount ? j + 1 : ParentSpare] = static_cast<uint16_t>(c);
  shape.Exchanged(*this, c, l, i, j);
  return l;
}

template <typename Shape>
LZH_INLINE void LzhModel::UpdateFrom(LzhIndex c, Shape& shape) {
  do {
    const uint32_t k = ++Freq[c];
    if (LZH_UNLIKELY(k > Freq[c + 1])) c = ExchangeOutOfLine(c, k, shape);
    c = Parent[c];
  } while (c != 0);
}
