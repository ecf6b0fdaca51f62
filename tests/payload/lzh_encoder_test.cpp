// Round trips: every stream the encoder makes decodes back exactly, with the product's
// decoder and with the reference decoder, ending exactly at the end of the data.
#include <gtest/gtest.h>

#include <memory>

#include "payload/lzh_decoder.h"
#include "payload/lzh_encoder.h"
#include "tests/support/codec_test_util.h"
#include "tests/support/reference_decoder.h"

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
    return CheckStream(data, stream, what);
  }
  size_t Check(const std::vector<uint8_t>& data, LzhParse parse, const char* what) {
    std::vector<uint8_t> stream;
    LzhEncode(data.data(), data.size(), stream, parse);
    return CheckStream(data, stream, what);
  }
  // Every parse gives data back; returns the default parse's stream size.
  size_t CheckAllParses(const std::vector<uint8_t>& data, const char* what) {
    Check(data, LzhParse::Greedy, what);
    Check(data, LzhParse::Lazy, what);
    return Check(data, what);
  }
  size_t CheckStream(const std::vector<uint8_t>& data, const std::vector<uint8_t>& stream,
                     const char* what) {
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

// The optimal parse: the cheapest path under the model's code lengths, coded in blocks.

TEST_F(LzhRoundTrip, TinyInputsOfEveryShape) {
  // Every input of up to five bytes over a three-letter alphabet with zero: too short
  // for a match, exactly one match, a match into the initial zeros.
  const uint8_t letters[] = {0, 'a', 'b'};
  for (size_t n = 1; n <= 5; ++n) {
    size_t combos = 1;
    for (size_t k = 0; k < n; ++k) combos *= 3;
    for (size_t c = 0; c < combos; ++c) {
      std::vector<uint8_t> data;
      for (size_t k = 0, v = c; k < n; ++k, v /= 3) data.push_back(letters[v % 3]);
      CheckAllParses(data, "tiny");
    }
  }
}

TEST_F(LzhRoundTrip, DataEndingInsideAWouldBeMatch) {
  // A long repeat cut short by the end of the data, for every cut in the last 64 bytes
  // and at both sides of a block of the optimal parse.
  std::vector<uint8_t> unit = TextBytes(700, 21);
  std::vector<uint8_t> data = unit;
  data.insert(data.end(), unit.begin(), unit.end());
  data.insert(data.end(), unit.begin(), unit.end());
  for (size_t cut = 0; cut < 64; ++cut) {
    std::vector<uint8_t> part(data.begin(), data.end() - static_cast<long>(cut * 11));
    CheckAllParses(part, "cut repeat");
  }
  for (size_t n : {2040, 2047, 2048, 2049, 2050, 2100, 4095, 4096, 4097, 6144}) {
    std::vector<uint8_t> rep;
    while (rep.size() < n) rep.insert(rep.end(), unit.begin(), unit.end());
    rep.resize(n);
    CheckAllParses(rep, "repeat at a block boundary");
  }
}

TEST_F(LzhRoundTrip, MatchesAcrossTheEndsOfBlocks) {
  // Slices of 20 to 39 bytes (shorter than a match the optimal parse takes at once)
  // copied from earlier data: its matches keep running past the ends of its blocks, and
  // each block starts with matches found while pricing the one before. Sizes around a
  // block, a block with its look-ahead, and several blocks.
  const std::vector<uint8_t> unit = RandomBytes(1500, 81);
  Rng rng(82);
  std::vector<uint8_t> data = unit;
  while (data.size() < 9000) {
    const size_t from = rng.Below(1400);
    const size_t n = 20 + rng.Below(20);
    data.insert(data.end(), unit.begin() + static_cast<long>(from),
                unit.begin() + static_cast<long>(from + n));
    data.push_back(static_cast<uint8_t>(rng.Next()));
  }
  for (size_t n : {2047, 2048, 2049, 2175, 2176, 2177, 2235, 2236, 2237, 4224, 4300, 9000}) {
    const std::vector<uint8_t> part(data.begin(), data.begin() + static_cast<long>(n));
    CheckAllParses(part, "slices");
  }
}

TEST_F(LzhRoundTrip, MatchesIntoTheInitialZerosAtEveryDistance) {
  // Zeros after some text can be matched against the ring's first zeros as long as the
  // text is shorter than the ring; then only against themselves.
  for (size_t lead : {1, 35, 36, 37, 100, 4000, 4035, 4036, 4037, 4095, 4096}) {
    std::vector<uint8_t> data = RandomBytes(lead, lead);
    data.insert(data.end(), 200, 0);
    CheckAllParses(data, "zeros after a lead");
  }
}

TEST_F(LzhRoundTrip, MaximumLengthRuns) {
  // Runs and periods that give back-to-back matches of MaxMatch bytes, with lengths
  // around multiples of MaxMatch.
  for (size_t n : {59, 60, 61, 119, 120, 121, 181, 6000}) {
    for (uint8_t b : {uint8_t{0}, uint8_t{0x41}}) {
      const size_t stream = CheckAllParses(std::vector<uint8_t>(n, b), "run");
      EXPECT_LT(stream, 40 + n / 12) << n;
    }
    std::vector<uint8_t> periodic;
    for (size_t k = 0; k < n + 123; ++k) periodic.push_back(static_cast<uint8_t>(k % 61));
    CheckAllParses(periodic, "period 61");
  }
}

TEST_F(LzhRoundTrip, RandomAndMixedData) {
  CheckAllParses(RandomBytes(20000, 31), "random");
  std::vector<uint8_t> mixed;
  for (uint64_t k = 0; k < 6; ++k) {
    for (auto part : {RandomBytes(3000 + k * 500, 40 + k), TextBytes(5000, 50 + k),
                      std::vector<uint8_t>(1000 + k * 37, static_cast<uint8_t>(k)),
                      BinaryBytes(4000, 60 + k)})
      mixed.insert(mixed.end(), part.begin(), part.end());
  }
  CheckAllParses(mixed, "mixed");
}

TEST_F(LzhRoundTrip, DefaultParseIsNoLargerThanGreedy) {
  // Pricing every path cannot lose much to always taking the longest match; on data
  // with repeats it wins clearly.
  struct Sample {
    std::vector<uint8_t> data;
    double most;  // largest size of the default stream relative to greedy
  };
  const Sample samples[] = {{TextBytes(150000, 71), 0.97},
                            {BinaryBytes(150000, 72), 0.99},
                            {RunBytes(100000, 73), 1.0},
                            {RandomBytes(60000, 74), 1.001}};
  for (const Sample& s : samples) {
    const double greedy = static_cast<double>(Check(s.data, LzhParse::Greedy, "greedy"));
    const double best = static_cast<double>(Check(s.data, LzhParse::Optimal, "optimal"));
    EXPECT_LE(best, greedy * s.most);
  }
}
