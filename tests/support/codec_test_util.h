// Helpers for the codec tests (and the codec's benchmark and fuzz harnesses):
// deterministic sample data, a stream builder that writes chosen symbols with the
// product's code model, and a decode harness that records how a decoder used its input
// and output operations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/lzh_model.h"
#include "tests/support/random.h"

namespace codec_test {

using test_support::Rng;

inline std::vector<uint8_t> RandomBytes(size_t n, uint64_t seed) {
  Rng rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng.Next() >> 56);
  return v;
}

// English-like text made of a small vocabulary, with line breaks.
inline std::vector<uint8_t> TextBytes(size_t n, uint64_t seed) {
  static const char* const words[] = {
      "the", "vale", "of", "umber", "lay", "and", "a", "river", "ran", "through",
      "stone", "gate", "where", "travellers", "rested", "under", "old", "trees",
      "lantern", "north", "wind", "quiet", "village", "market", "road", "hill"};
  Rng rng(seed);
  std::vector<uint8_t> v;
  v.reserve(n);
  while (v.size() < n) {
    const std::string w = words[rng.Below(sizeof words / sizeof words[0])];
    for (char c : w) v.push_back(static_cast<uint8_t>(c));
    v.push_back(rng.Below(12) == 0 ? '\n' : ' ');
  }
  v.resize(n);
  return v;
}

// Binary records: small integers, repeated headers, slowly changing samples.
inline std::vector<uint8_t> BinaryBytes(size_t n, uint64_t seed) {
  Rng rng(seed);
  std::vector<uint8_t> v;
  v.reserve(n);
  int32_t sample = 0;
  while (v.size() < n) {
    const uint32_t kind = rng.Below(4);
    if (kind == 0) {
      for (uint8_t b : {0x4D, 0x5A, 0x90, 0x00, 0x03, 0x00, 0x00, 0x00}) v.push_back(b);
    } else if (kind == 1) {
      const uint32_t x = rng.Below(300);
      for (int k = 0; k < 4; ++k) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
    } else if (kind == 2) {
      for (int k = 0; k < 16; ++k) {
        sample += static_cast<int32_t>(rng.Below(65)) - 32;
        v.push_back(static_cast<uint8_t>(sample));
        v.push_back(static_cast<uint8_t>(sample >> 8));
      }
    } else {
      v.push_back(static_cast<uint8_t>(rng.Next() >> 56));
    }
  }
  v.resize(n);
  return v;
}

// Runs of one byte of varied lengths (many longer than a match).
inline std::vector<uint8_t> RunBytes(size_t n, uint64_t seed) {
  Rng rng(seed);
  std::vector<uint8_t> v;
  v.reserve(n);
  while (v.size() < n) v.insert(v.end(), 1 + rng.Below(500), static_cast<uint8_t>(rng.Below(4)));
  v.resize(n);
  return v;
}

// Writes a stream of chosen symbols with the product's model: literals and matches
// (length 3..60, distance code 0..4095), then the zero fill of the last byte.
class StreamBuilder {
 public:
  StreamBuilder() { Model.InitTree(); }

  void Literal(uint8_t b) { Symbol(b); }
  void Match(uint32_t length, uint32_t distance) {
    Symbol(length + MatchSymbolBias);
    const uint32_t u = distance >> 6;
    Bits(PositionEncodeCode[u], PositionEncodeLength[u]);
    Bits(distance & 63u, 6);
  }
  std::vector<uint8_t> Finish() {
    while (BitCount % 8 != 0) Bit(0);
    return Out;
  }

 private:
  void Symbol(uint32_t s) {
    std::vector<uint32_t> path;
    for (uint32_t c = Model.Parent[NodeCount + s]; c != RootNode; c = Model.Parent[c])
      path.push_back(c & 1u);
    for (size_t k = path.size(); k-- > 0;) Bit(path[k]);
    Model.CountSymbol(s);
  }
  void Bits(uint32_t v, uint32_t n) {
    for (uint32_t k = n; k-- > 0;) Bit((v >> k) & 1u);
  }
  void Bit(uint32_t b) {
    if (BitCount % 8 == 0) Out.push_back(0);
    if (b) Out.back() = static_cast<uint8_t>(Out.back() | (0x80u >> (BitCount % 8)));
    ++BitCount;
  }

  LzhModel Model;
  std::vector<uint8_t> Out;
  uint64_t BitCount = 0;
};

// What one Decode call did.
struct DecodeRecord {
  std::vector<uint8_t> bytes;      // every value below 256 given to OutputFn
  uint32_t flushes = 0;            // FlushMarker calls
  bool flushLast = true;           // nothing followed the FlushMarker
  bool badValue = false;           // a value that is neither a byte nor FlushMarker
  uint32_t inputCalls = 0;
  uint32_t result = 0;
  uint32_t storedLength = 0;       // uncompressedLength after the call
};

// Decodes stream (compressedLength bytes of it are offered; InputFn adds junk above the
// low eight bits to check that only those are used) with any decoder of the contract.
template <typename Decoder>
DecodeRecord DecodeWith(Decoder& decoder, const std::vector<uint8_t>& stream,
                        uint32_t compressedLength, uint32_t uncompressedLength) {
  DecodeRecord r;
  auto input = [&]() -> uint32_t {
    const uint32_t i = r.inputCalls++;
    const uint32_t b = i < stream.size() ? stream[i] : 0x5Au;
    return b | 0xA500u;
  };
  auto output = [&](uint32_t v) {
    if (r.flushes != 0) r.flushLast = false;
    if (v == FlushMarker) {
      ++r.flushes;
    } else if (v < 256) {
      r.bytes.push_back(static_cast<uint8_t>(v));
    } else {
      r.badValue = true;
    }
  };
  uint32_t c = compressedLength;
  uint32_t u = uncompressedLength;
  r.result = decoder.Decode(c, u, input, output);
  r.storedLength = u;
  return r;
}

}  // namespace codec_test
