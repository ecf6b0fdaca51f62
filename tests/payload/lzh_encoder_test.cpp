// Round trips: every stream the encoder makes decodes back exactly, with the product's
// decoder and with the reference decoder, ending exactly at the end of the data.
#include <gtest/gtest.h>

#include <memory>

#include "payload/lzh_decoder.h"
#include "payload/lzh_encoder.h"
#include "tests/payload/codec_test_util.h"
#include "tests/payload/reference_decoder.h"

using namespace codec_test;

namespace {

class LzhRoundTrip : public ::testing::Test {
 protected:
  std::unique_ptr<LzhDecoder> decoder = std::make_unique<LzhDecoder>();
  std::unique_ptr<ReferenceDecoder> reference = std::make_unique<ReferenceDecoder>();

  // Encodes data, checks both decoders give it back; returns the stream size.
  size_t Check(const std::vector<uint8_t>& data, const char* what) {
    std::vector<uint8_t> stream;
    LzhEncode(data.data(), data.size(), stream);
    const uint32_t c = static_cast<uint32_t>(stream.size());
    const uint32_t u = static_cast<uint32_t>(data.size());
    const DecodeRecord fast = DecodeWith(*decoder, stream, c, u);
    EXPECT_EQ(fast.result, u) << what;
    EXPECT_TRUE(fast.bytes == data) << what;
    EXPECT_EQ(fast.flushes, 1u) << what;
    EXPECT_LE(fast.inputCalls, c) << what;
    const DecodeRecord slow = DecodeWith(*reference, stream, c, u);
    EXPECT_EQ(slow.result, u) << what;
    EXPECT_TRUE(slow.bytes == data) << what;
    return stream.size();
  }
};

}  // namespace

TEST_F(LzhRoundTrip, EdgeSizes) {
  std::vector<uint8_t> none;
  EXPECT_EQ(Check(none, "empty"), 0u);
  Check({0x00}, "one zero");
  Check({0xFF}, "one byte");
  Check({'a', 'b'}, "two");
  Check({0, 0, 0}, "three zeros");
  for (size_t n : {size_t{131072}, size_t{131073}}) {
    Check(TextBytes(n, n), "text at the buffer size");
    Check(RandomBytes(n, n), "random at the buffer size");
  }
}

TEST_F(LzhRoundTrip, VariedData) {
  Check(TextBytes(200000, 1), "text");
  Check(BinaryBytes(200000, 2), "binary");
  Check(RandomBytes(100000, 3), "random");
  Check(RunBytes(200000, 4), "runs");
  std::vector<uint8_t> mixed = TextBytes(50000, 5);
  for (auto part : {RandomBytes(30000, 6), RunBytes(30000, 7), BinaryBytes(30000, 8)})
    mixed.insert(mixed.end(), part.begin(), part.end());
  Check(mixed, "mixed");
}

TEST_F(LzhRoundTrip, CompressesWhatRepeats) {
  EXPECT_LT(Check(TextBytes(100000, 9), "text"), 40000u);
  EXPECT_LT(Check(RunBytes(100000, 10), "runs"), 10000u);
  // Random data costs little more than its size.
  EXPECT_LT(Check(RandomBytes(100000, 11), "random"), 115000u);
}

TEST_F(LzhRoundTrip, ZeroDataMatchesIntoTheInitialRing) {
  // Zeros from the first byte on can only be matched against the ring's initial bytes.
  for (size_t n : {3, 59, 60, 61, 4095, 4096, 4097, 10000})
    EXPECT_LT(Check(std::vector<uint8_t>(n, 0), "zeros"), 20 + n / 15) << n;
  std::vector<uint8_t> sparse(50000, 0);
  Rng rng(12);
  for (int k = 0; k < 300; ++k) sparse[rng.Below(50000)] = static_cast<uint8_t>(rng.Next());
  Check(sparse, "sparse");
}

TEST_F(LzhRoundTrip, LongInputsThroughManyRebuilds) {
  // About a million symbols: more than thirty rebuilds of the tree.
  std::vector<uint8_t> data = RandomBytes(400000, 13);
  const std::vector<uint8_t> text = TextBytes(1200000, 14);
  data.insert(data.end(), text.begin(), text.end());
  Check(data, "long");
}

TEST_F(LzhRoundTrip, LastMatchEndsExactlyAtTheEnd) {
  // Data whose tail repeats earlier bytes for every remainder length 0..60.
  for (size_t tail = 0; tail <= 61; ++tail) {
    std::vector<uint8_t> data = TextBytes(300, tail);
    data.insert(data.end(), data.begin(), data.begin() + tail);
    Check(data, "tail");
  }
}
