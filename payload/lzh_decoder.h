// LzhDecoder: decodes one LZHUF stream (LZSS over a 4096-byte history ring that starts
// filled with zero bytes, first write at RingStart; literals and match lengths in one
// adaptive Huffman code, distances in a fixed prefix code).
//
// Decode pulls compressed bytes through InputFn (a callable returning the next byte; the
// low eight bits are used) and never more than compressedLength of them: bits past the
// end read as zero. It pushes every decoded byte through OutputFn (a callable taking a
// uint32_t 0..255), in order, then FlushMarker exactly once. It stops as soon as the
// produced count reaches uncompressedLength; a final match is always copied whole, so a
// stream whose last match overshoots yields up to MaxMatch - 1 more bytes. The produced
// count is returned and stored over uncompressedLength. There is no error to detect:
// any input decodes to something and the call always ends.
//
// One object holds one set of state and serves one stream at a time; Decode must not be
// entered again from inside InputFn or OutputFn.
#pragma once

#include <cstdint>
#include <cstring>

#include "payload/lzh_model.h"

class LzhDecoder {
 public:
  template <typename InputFn, typename OutputFn>
  uint32_t Decode(uint32_t& compressedLength, uint32_t& uncompressedLength,
                  InputFn& input, OutputFn& output) {
#if defined(LZH_SSE2_WHEN_PRESENT)
    if (LzhUseSse2) return DecodeWithSse2(compressedLength, uncompressedLength, input, output);
#endif
    return DecodeStream(compressedLength, uncompressedLength, input, output);
  }

 private:
  template <typename InputFn, typename OutputFn>
  uint32_t DecodeStream(uint32_t& compressedLength, uint32_t& uncompressedLength,
                        InputFn& input, OutputFn& output);
#if defined(LZH_SSE2_WHEN_PRESENT)
  // The same stream decoder compiled for SSE2 throughout, with everything it calls
  // drawn in, so that the exchange search is inlined rather than called.
  template <typename InputFn, typename OutputFn>
  LZH_SSE2_FUNCTION __attribute__((flatten)) uint32_t DecodeWithSse2(
      uint32_t& compressedLength, uint32_t& uncompressedLength, InputFn& input,
      OutputFn& output) {
    return DecodeStream(compressedLength, uncompressedLength, input, output);
  }
#endif

  LzhModel Model;
  // Only the first RingSize bytes are addressed; the rest keeps room for a whole match.
  uint8_t Ring[2 * RingSize + MaxMatch];
};

template <typename InputFn, typename OutputFn>
uint32_t LzhDecoder::DecodeStream(uint32_t& compressedLength, uint32_t& uncompressedLength,
                                  InputFn& input, OutputFn& output) {
  const uint32_t inputLength = compressedLength;
  uint32_t bytesRead = 0;
  uint32_t bytesOut = 0;

  // Pending bits, the next one at the word's top bit; bitCount of them are valid. The
  // word is as wide as the machine's registers: a 64-bit word in a 32-bit build would
  // take two registers and two instructions for every shift of the walk.
#if UINTPTR_MAX > 0xFFFFFFFFu
  using BitWord = uint64_t;
#else
  using BitWord = uint32_t;
#endif
  constexpr uint32_t WordBits = sizeof(BitWord) * 8;
  BitWord bitBuf = 0;
  uint32_t bitCount = 0;
  // Tops the buffer up to more than WordBits - 8 valid bits, a byte at a time, with zero
  // bytes once the stream's bytes are all taken.
  auto refill = [&]() {
    while (bitCount <= WordBits - 8) {
      BitWord b = 0;
      if (bytesRead < inputLength) {
        ++bytesRead;
        b = static_cast<uint8_t>(input());
      }
      bitBuf |= b << (WordBits - 8 - bitCount);
      bitCount += 8;
    }
  };
  auto readBits = [&](uint32_t n) -> uint32_t {  // 1 <= n <= WordBits - 8
    if (bitCount < n) refill();
    const uint32_t v = static_cast<uint32_t>(bitBuf >> (WordBits - n));
    bitBuf <<= n;
    bitCount -= n;
    return v;
  };

  Model.InitTree();
  std::memset(Ring, 0, sizeof Ring);
  uint32_t ringPos = RingStart;

  // Bytes still wanted: counting down cannot wrap, however close uncompressedLength is
  // to 2^32, and it keeps the loop's state in 32-bit registers.
  uint32_t remaining = uncompressedLength;
  while (remaining != 0) {
    // The tree keeps the sibling property with counts of at least 1 and a root of at
    // most MaxFreq, so no leaf is deeper than 22 (a node at depth d has a count of at
    // least the Fibonacci number F(d + 2)): a walk takes at most 22 bits. A 64-bit word
    // holds the distance's 14 bits as well, so it is refilled once per symbol; a 32-bit
    // word is refilled for the walk and again by readBits when the distance needs it.
    if (bitCount < (WordBits == 64 ? 40u : 22u)) refill();

    // Walk down, remembering the nodes passed: until the update first exchanges nodes,
    // they are the leaf's ancestors, so the update needs no Parent lookups for them.
    uint16_t path[NodeCount];  // far more than any walk needs
    uint32_t depth = 0;
    // Two levels per step: from node, the first bit picks a child (mid) and Grand gives
    // mid's child link at once, so the loads of a step do not wait on each other.
    uint32_t node = RootNode;
    for (;;) {
      const uint32_t first = static_cast<uint32_t>(bitBuf >> (WordBits - 1));
      const uint32_t mid = Model.Child[node] + first;
      const uint32_t link = Model.Grand[2 * node + first];  // Child[mid]
      if (link >= NodeCount) {  // mid is the leaf
        node = mid;
        bitBuf <<= 1;
        break;
      }
      path[depth++] = static_cast<uint16_t>(mid);
      node = link + static_cast<uint32_t>((bitBuf >> (WordBits - 2)) & 1);
      bitBuf <<= 2;
      if (Model.Child[node] >= NodeCount) break;
      path[depth++] = static_cast<uint16_t>(node);
    }
    bitCount -= depth + 1;
    const uint32_t s = Model.Child[node] - NodeCount;
    if (Model.Freq[RootNode] == MaxFreq) {
      Model.RebuildTree();
      Model.UpdateTree(s);
    } else {
      Model.UpdateTreeAlong(node, path, depth);
    }

    if (s < 256) {
      output(static_cast<uint32_t>(s));
      ++bytesOut;
      Ring[ringPos] = static_cast<uint8_t>(s);
      ringPos = (ringPos + 1) & RingMask;
      --remaining;
      continue;
    }

    uint32_t i = readBits(8);
    const uint32_t u = PositionCodeTable[i];
    const uint32_t extra = PositionLengthTable[i] - 2u;
    i = (i << extra) | readBits(extra);
    const uint32_t d = (u << 6) | (i & 63u);

    const uint32_t length = s - MatchSymbolBias;
    uint32_t src = (ringPos - d - 1) & RingMask;
    remaining = length < remaining ? remaining - length : 0;
    for (uint32_t k = 0; k < length; ++k) {
      const uint8_t b = Ring[src];
      src = (src + 1) & RingMask;
      output(static_cast<uint32_t>(b));
      ++bytesOut;
      Ring[ringPos] = b;
      ringPos = (ringPos + 1) & RingMask;
    }
  }

  output(FlushMarker);
  uncompressedLength = bytesOut;
  return bytesOut;
}
