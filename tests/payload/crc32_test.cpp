#include "payload/crc32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/random.h"

namespace {

// The plain bit-at-a-time definition, to hold the table-driven one against.
uint32_t BitwiseCrc32(const uint8_t* data, size_t length) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
  }
  return ~c;
}

const uint8_t* Bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

}  // namespace

TEST(Crc32, KnownValues) {
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
  EXPECT_EQ(Crc32(Bytes("123456789"), 9), 0xCBF43926u);
  EXPECT_EQ(Crc32(Bytes("The quick brown fox jumps over the lazy dog"), 43), 0x414FA339u);
  const std::vector<uint8_t> zeros(32, 0);
  EXPECT_EQ(Crc32(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32, EveryLengthAndSplitAgreesWithTheBitwiseDefinition) {
  test_support::Rng rng(7);
  std::vector<uint8_t> data(300);
  for (uint8_t& b : data) b = rng.Byte();
  for (size_t length = 0; length <= data.size(); ++length) {
    const uint32_t expected = BitwiseCrc32(data.data(), length);
    ASSERT_EQ(Crc32(data.data(), length), expected) << length;
    // Pieces of every size the engine might hand over, at every alignment.
    for (size_t split : {size_t{1}, size_t{7}, size_t{16}, length / 2}) {
      if (split > length) continue;
      const uint32_t first = Crc32Update(0, data.data(), split);
      ASSERT_EQ(Crc32Update(first, data.data() + split, length - split), expected)
          << length << " split at " << split;
    }
  }
}
