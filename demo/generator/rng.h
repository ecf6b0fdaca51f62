// Deterministic pseudo-random numbers for the demo generator.
// SplitMix64: the same seed gives the same sequence on every platform and
// compiler (pure 64-bit integer arithmetic, no library state). Seeds are
// derived from text with FNV-1a so that every file has its own stream.
#pragma once

#include <cstdint>
#include <string_view>

namespace demo {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, bound) for bound >= 1 (multiply-shift; the bias is far
  // below anything the generated data could show).
  uint32_t Below(uint32_t bound) {
    return static_cast<uint32_t>(((Next() >> 32) * bound) >> 32);
  }

  // Uniform in [low, high], inclusive.
  int32_t Range(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Below(static_cast<uint32_t>(high - low + 1)));
  }

  // True with probability perMille / 1000.
  bool Chance(uint32_t perMille) { return Below(1000) < perMille; }

 private:
  uint64_t state_;
};

inline uint64_t HashText(std::string_view text, uint64_t basis = 0xCBF29CE484222325ull) {
  uint64_t h = basis;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001B3ull;
  }
  return h;
}

}  // namespace demo
