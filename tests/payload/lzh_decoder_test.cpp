// The code model and the decoder, checked against the reference decoder.
#include <gtest/gtest.h>

#include <memory>

#include "payload/lzh_decoder.h"
#include "payload/lzh_model.h"
#include "tests/payload/codec_test_util.h"
#include "tests/payload/reference_decoder.h"

using namespace codec_test;

namespace {

void ExpectSameTree(const LzhModel& m, const ReferenceDecoder& r, const char* where) {
  for (uint32_t n = 0; n <= NodeCount; ++n) ASSERT_EQ(m.Freq[n], r.Freq[n]) << where << " Freq " << n;
  for (uint32_t n = 0; n < NodeCount; ++n) ASSERT_EQ(m.Child[n], r.Child[n]) << where << " Child " << n;
  for (uint32_t n = 0; n < NodeCount + SymbolCount; ++n)
    ASSERT_EQ(m.Parent[n], r.Parent[n]) << where << " Parent " << n;
}

// Tree invariants that every state must keep.
void ExpectSiblingOrder(const LzhModel& m) {
  for (uint32_t n = 0; n < RootNode; ++n) ASSERT_LE(m.Freq[n], m.Freq[n + 1]) << n;
  for (uint32_t n = 0; n < NodeCount; ++n) {
    const uint32_t c = m.Child[n];
    if (c >= NodeCount) {
      ASSERT_EQ(m.Parent[c], n);
    } else {
      ASSERT_LT(c + 1, n);
      ASSERT_EQ(m.Freq[n], m.Freq[c] + m.Freq[c + 1]) << n;
      ASSERT_EQ(m.Parent[c], n);
      ASSERT_EQ(m.Parent[c + 1], n);
      // The walk's two-level links.
      ASSERT_EQ(m.Grand[2 * n], m.Child[c]) << n;
      ASSERT_EQ(m.Grand[2 * n + 1], m.Child[c + 1]) << n;
    }
  }
  ASSERT_EQ(m.Freq[NodeCount], 0xFFFF);
  ASSERT_EQ(m.Parent[RootNode], 0);
}

}  // namespace

TEST(LzhModel, InitialTreeCountsEverySymbolOnce) {
  LzhModel m;
  m.InitTree();
  EXPECT_EQ(m.Freq[RootNode], SymbolCount);
  EXPECT_EQ(m.Child[RootNode], 624);
  ExpectSiblingOrder(m);
}

TEST(LzhModel, RaisedNodeChangesPlacesWithTheLastOfEqualCount) {
  LzhModel m;
  m.InitTree();
  // All 314 leaves count 1: leaf 0 rising to 2 goes past every other leaf to node 313.
  m.UpdateTree(0);
  EXPECT_EQ(m.Child[313], NodeCount + 0);
  EXPECT_EQ(m.Parent[NodeCount + 0], 313);
  EXPECT_EQ(m.Child[0], NodeCount + 313);
  EXPECT_EQ(m.Freq[313], 2);
  EXPECT_EQ(m.Freq[RootNode], SymbolCount + 1);
  ExpectSiblingOrder(m);
}

TEST(LzhModel, UpdatesAndRebuildsFollowTheReferenceExactly) {
  // Skewed symbols so that counts spread out, many rebuilds included. A 32-bit build
  // has two searches for the exchange (SSE2, taken when present, and two words per
  // step): both are checked.
#if defined(LZH_SSE2_WHEN_PRESENT)
  const bool sse2 = LzhUseSse2;
  for (int search = 0; search < 2; ++search) {
    LzhUseSse2 = sse2 && search == 0;
#endif
  for (uint64_t seed = 1; seed <= 3; ++seed) {
    LzhModel m;
    auto r = std::make_unique<ReferenceDecoder>();
    m.InitTree();
    r->InitTree();
    Rng rng(seed);
    for (uint32_t n = 0; n < 150000; ++n) {
      uint32_t s = rng.Below(seed == 1 ? SymbolCount : 1 + rng.Below(SymbolCount));
      if (m.Freq[RootNode] == MaxFreq) {
        m.RebuildTree();
        r->RebuildTree();
        ExpectSameTree(m, *r, "after rebuild");
        ExpectSiblingOrder(m);
      }
      m.UpdateTree(s);
      r->UpdateTree(s);
      if (n % 4096 == 0) {
        ExpectSameTree(m, *r, "after update");
        ExpectSiblingOrder(m);
      }
    }
    ExpectSameTree(m, *r, "at the end");
  }
#if defined(LZH_SSE2_WHEN_PRESENT)
  }
  LzhUseSse2 = sse2;
#endif
}

TEST(LzhModel, FirstRebuildComesWithSymbol32455BeforeItsUpdate) {
  LzhModel m;
  m.InitTree();
  for (uint32_t n = 1; n <= 32454; ++n) {
    ASSERT_NE(m.Freq[RootNode], MaxFreq) << "root full before symbol " << n;
    m.CountSymbol(n % 7);
  }
  ASSERT_EQ(m.Freq[RootNode], MaxFreq);
  LzhModel rebuilt = m;
  rebuilt.RebuildTree();
  rebuilt.UpdateTree(5);
  m.CountSymbol(5);  // symbol 32,455
  EXPECT_EQ(0, std::memcmp(&m, &rebuilt, sizeof m));
  EXPECT_LT(m.Freq[RootNode], MaxFreq / 2 + SymbolCount);
  ExpectSiblingOrder(m);
}

TEST(LzhModel, RebuildPlacesJoinedNodeAfterEqualCounts) {
  LzhModel m;
  m.InitTree();
  // Leaves of count 1 except two symbols raised to 3 and 4 (halved: 2 and 2).
  for (int k = 0; k < 2; ++k) m.UpdateTree(10);
  for (int k = 0; k < 3; ++k) m.UpdateTree(20);
  auto r = std::make_unique<ReferenceDecoder>();
  r->InitTree();
  for (int k = 0; k < 2; ++k) r->UpdateTree(10);
  for (int k = 0; k < 3; ++k) r->UpdateTree(20);
  m.RebuildTree();
  r->RebuildTree();
  ExpectSameTree(m, *r, "rebuild");
  ExpectSiblingOrder(m);
  // 312 leaves of 1, then the two leaves of 2; the first joined node (1 + 1 = 2) goes
  // after both of them.
  EXPECT_EQ(m.Freq[313], 2);
  EXPECT_EQ(m.Freq[314], 2);
  EXPECT_EQ(m.Child[314], 0);
}

TEST(LzhModel, DistanceTablesMatchTheirRanges) {
  for (uint32_t i = 0; i < 256; ++i) {
    EXPECT_EQ(PositionCodeTable[i], ReferenceDecoder::PositionCode(i)) << i;
    EXPECT_EQ(PositionLengthTable[i], ReferenceDecoder::PositionLength(i)) << i;
  }
  for (uint32_t u = 0; u < 64; ++u) {
    // The code of u, left-aligned in a byte with any fill, looks up u again.
    const uint32_t len = PositionEncodeLength[u];
    const uint32_t first = static_cast<uint32_t>(PositionEncodeCode[u]) << (8 - len);
    for (uint32_t fill = 0; fill < (1u << (8 - len)); ++fill) {
      EXPECT_EQ(PositionCodeTable[first | fill], u);
      EXPECT_EQ(PositionLengthTable[first | fill], len);
    }
  }
  EXPECT_EQ(PositionEncodeCode[63], 0xFF);
  EXPECT_EQ(PositionEncodeLength[63], 8);
}

class LzhDecoderTest : public ::testing::Test {
 protected:
  std::unique_ptr<LzhDecoder> decoder = std::make_unique<LzhDecoder>();
  std::unique_ptr<ReferenceDecoder> reference = std::make_unique<ReferenceDecoder>();

  void ExpectWellBehaved(const DecodeRecord& r, uint32_t compressedLength) {
    EXPECT_EQ(r.flushes, 1u);
    EXPECT_TRUE(r.flushLast);
    EXPECT_FALSE(r.badValue);
    EXPECT_LE(r.inputCalls, compressedLength);
    EXPECT_EQ(r.result, r.bytes.size());
    EXPECT_EQ(r.storedLength, r.result);
  }
};

TEST_F(LzhDecoderTest, EmptyStreamTakesNothingAndFlushesOnce) {
  const std::vector<uint8_t> stream = {0x12, 0x34};
  const DecodeRecord r = DecodeWith(*decoder, stream, 2, 0);
  EXPECT_EQ(r.inputCalls, 0u);
  EXPECT_TRUE(r.bytes.empty());
  EXPECT_EQ(r.result, 0u);
  ExpectWellBehaved(r, 2);
}

TEST_F(LzhDecoderTest, MatchesRepeatTheLastByteAndReachIntoTheZeroRing) {
  StreamBuilder b;
  b.Match(10, 100);   // before the first byte: zeros from the initial ring
  b.Literal('A');
  b.Match(5, 0);      // distance 0 repeats the byte before
  b.Literal('B');
  b.Literal('C');
  b.Match(7, 1);      // overlapping copy of "BC"
  const std::vector<uint8_t> s = b.Finish();
  const std::string expected = std::string(10, '\0') + "AAAAAA" + "BCBCBCBCB";
  const DecodeRecord r = DecodeWith(*decoder, s, static_cast<uint32_t>(s.size()),
                                    static_cast<uint32_t>(expected.size()));
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), expected);
  ExpectWellBehaved(r, static_cast<uint32_t>(s.size()));
}

TEST_F(LzhDecoderTest, MatchAtFullDistanceReadsTheSlotAboutToBeWritten) {
  StreamBuilder b;
  std::string expected;
  for (int n = 0; n < 4096; ++n) {
    b.Literal(static_cast<uint8_t>(n * 7 + (n >> 8)));
    expected.push_back(static_cast<char>(n * 7 + (n >> 8)));
  }
  b.Match(60, 4095);
  expected += expected.substr(0, 60);
  const std::vector<uint8_t> s = b.Finish();
  const DecodeRecord r = DecodeWith(*decoder, s, static_cast<uint32_t>(s.size()),
                                    static_cast<uint32_t>(expected.size()));
  EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), expected);
}

TEST_F(LzhDecoderTest, OvershootingFinalMatchIsCopiedWholeAndReported) {
  StreamBuilder b;
  b.Literal('x');
  b.Match(20, 0);
  const std::vector<uint8_t> s = b.Finish();
  const DecodeRecord r = DecodeWith(*decoder, s, static_cast<uint32_t>(s.size()), 5);
  EXPECT_EQ(r.result, 21u);
  EXPECT_EQ(r.bytes, std::vector<uint8_t>(21, 'x'));
  ExpectWellBehaved(r, static_cast<uint32_t>(s.size()));
}

TEST_F(LzhDecoderTest, InputEndsInZeroBitsWithoutReadingPastTheStream) {
  // Any byte sequence is a stream; a short one runs out after a few symbols, and what
  // follows must decode as if zero bytes stood there.
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    std::vector<uint8_t> s = RandomBytes(1 + seed % 9, seed);
    const uint32_t len = static_cast<uint32_t>(s.size());
    const DecodeRecord shortRun = DecodeWith(*decoder, s, len, 3000);
    EXPECT_EQ(shortRun.inputCalls, len);
    ExpectWellBehaved(shortRun, len);

    std::vector<uint8_t> padded = s;
    padded.resize(s.size() + 4000, 0);
    const DecodeRecord zeros =
        DecodeWith(*decoder, padded, static_cast<uint32_t>(padded.size()), 3000);
    EXPECT_EQ(shortRun.bytes, zeros.bytes) << seed;
  }
}

TEST_F(LzhDecoderTest, AgreesWithTheReferenceOnArbitraryStreams) {
  // Random bytes decode to every kind of symbol: literals, matches of every length and
  // distance, overshoots, rebuilds in the long ones. A 32-bit build has a decoder for
  // processors with SSE2 and one for those without: every other stream goes to each.
#if defined(LZH_SSE2_WHEN_PRESENT)
  const bool sse2 = LzhUseSse2;
#endif
  for (uint64_t seed = 1; seed <= 300; ++seed) {
#if defined(LZH_SSE2_WHEN_PRESENT)
    LzhUseSse2 = sse2 && seed % 2 == 0;
#endif
    Rng rng(seed);
    const size_t n = seed % 50 == 0 ? 150000 : rng.Below(3000);
    std::vector<uint8_t> s = RandomBytes(n, seed + 1000);
    const uint32_t compressed = static_cast<uint32_t>(rng.Below(static_cast<uint32_t>(n) + 16));
    const uint32_t wanted = rng.Below(seed % 50 == 0 ? 1500000 : 20000);
    const DecodeRecord fast = DecodeWith(*decoder, s, compressed, wanted);
    const DecodeRecord slow = DecodeWith(*reference, s, compressed, wanted);
    ASSERT_EQ(fast.bytes, slow.bytes) << "seed " << seed;
    ASSERT_EQ(fast.result, slow.result) << "seed " << seed;
    ASSERT_LE(fast.result, wanted + MaxMatch - 1);
    ASSERT_GE(fast.result, wanted);
    ExpectWellBehaved(fast, compressed);
    ExpectWellBehaved(slow, compressed);
  }
#if defined(LZH_SSE2_WHEN_PRESENT)
  LzhUseSse2 = sse2;
#endif
}

TEST_F(LzhDecoderTest, OneDecoderServesStreamAfterStreamFromAFreshState) {
  const std::vector<uint8_t> a = RandomBytes(5000, 7);
  const std::vector<uint8_t> b = RandomBytes(5000, 8);
  const DecodeRecord first = DecodeWith(*decoder, b, 5000, 40000);
  DecodeWith(*decoder, a, 5000, 40000);
  const DecodeRecord again = DecodeWith(*decoder, b, 5000, 40000);
  EXPECT_EQ(first.bytes, again.bytes);
}
