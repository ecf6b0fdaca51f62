// The one random generator of the tests, benchmarks and fuzz seeds:
// xorshift64*, deterministic on every platform and compiler (pure 64-bit
// integer arithmetic), so that a seed names the same data everywhere.
#pragma once

#include <cstdint>

namespace test_support {

class Rng {
 public:
  explicit Rng(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 1) {}

  uint64_t Next() {
    State ^= State >> 12;
    State ^= State << 25;
    State ^= State >> 27;
    return State * 0x2545F4914F6CDD1Dull;
  }

  // Uniform enough in [0, n) for n >= 1.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

  // A random byte (the generator's top bits, its best).
  uint8_t Byte() { return static_cast<uint8_t>(Next() >> 56); }

  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

 private:
  uint64_t State;
};

}  // namespace test_support
