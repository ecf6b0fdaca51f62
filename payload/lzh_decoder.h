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
                  InputFn& input, OutputFn& output);

 private:
  LzhModel Model;
  // Only the first RingSize bytes are addressed; the rest keeps room for a whole match.
  uint8_t Ring[2 * RingSize + MaxMatch];
};

template <typename InputFn, typename OutputFn>
uint32_t LzhDecoder::Decode(uint32_t& compressedLength, uint32_t& uncompressedLength,
                            InputFn& input, OutputFn& output) {
  const uint32_t inputLength = compressedLength;
  const uint64_t wanted = uncompressedLength;
  uint32_t bytesRead = 0;
  uint32_t bytesOut = 0;

  // Pending bits, the next one at bit 63; bitCount of them are valid.
  uint64_t bitBuf = 0;
  uint32_t bitCount = 0;
  // Tops the buffer up to at least 57 valid bits, a byte at a time, with zero bytes
  // once the stream's bytes are all taken.
  auto refill = [&]() {
    while (bitCount <= 56) {
      uint64_t b = 0;
      if (bytesRead < inputLength) {
        ++bytesRead;
        b = static_cast<uint8_t>(input());
      }
      bitBuf |= b << (56 - bitCount);
      bitCount += 8;
    }
  };
  auto readBits = [&](uint32_t n) -> uint32_t {  // 1 <= n <= 32
    if (bitCount < n) refill();
    const uint32_t v = static_cast<uint32_t>(bitBuf >> (64 - n));
    bitBuf <<= n;
    bitCount -= n;
    return v;
  };

  Model.InitTree();
  std::memset(Ring, 0, sizeof Ring);
  uint32_t ringPos = RingStart;

  uint64_t count = 0;
  while (count < wanted) {
    // One refill per symbol is enough: the tree keeps the sibling property with counts
    // of at least 1 and a root of at most MaxFreq, so no leaf is deeper than 22 (a node
    // at depth d has a count of at least the Fibonacci number F(d + 2)); with the
    // distance's 14 bits a symbol takes at most 36 of the 57 bits.
    if (bitCount < 40) refill();

    // Walk down, remembering the nodes passed: until the update first exchanges nodes,
    // they are the leaf's ancestors, so the update needs no Parent lookups for them.
    uint16_t path[NodeCount];  // far more than any walk needs
    uint32_t depth = 0;
    uint32_t node = Model.Child[RootNode] + static_cast<uint32_t>(bitBuf >> 63);
    bitBuf <<= 1;
    while (Model.Child[node] < NodeCount) {
      path[depth++] = static_cast<uint16_t>(node);
      node = Model.Child[node] + static_cast<uint32_t>(bitBuf >> 63);
      bitBuf <<= 1;
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
      ++count;
      continue;
    }

    uint32_t i = readBits(8);
    const uint32_t u = PositionCodeTable[i];
    const uint32_t extra = PositionLengthTable[i] - 2u;
    i = (i << extra) | readBits(extra);
    const uint32_t d = (u << 6) | (i & 63u);

    const uint32_t length = s - MatchSymbolBias;
    uint32_t src = (ringPos - d - 1) & RingMask;
    count += length;
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
