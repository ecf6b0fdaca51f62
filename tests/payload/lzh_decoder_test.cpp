// The code model and the decoder, checked against the reference decoder.
#include <gtest/gtest.h>

#include <memory>

#include "payload/lzh_code_table.h"
#include "payload/lzh_decoder.h"
#include "payload/lzh_encoder.h"
#include "payload/lzh_model.h"
#include "tests/support/codec_test_util.h"
#include "tests/support/reference_decoder.h"

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
    }
  }
  ASSERT_EQ(m.Freq[NodeCount], 0xFFFF);
  ASSERT_EQ(m.Parent[RootNode], 0);
}

// What a code table kept up through exchanges must hold: the same as one built afresh
// from the tree, and Top must agree with a walk of the tree.
void ExpectTableOf(const LzhCodeTable& t, const LzhModel& m, const char* where) {
  auto fresh = std::make_unique<LzhCodeTable>();
  fresh->Rebuild(m);
  for (uint32_t x = 0; x < (1u << LzhCodeTable::TopBits); ++x) {
    ASSERT_EQ(t.Top[x], fresh->Top[x]) << where << " Top " << x;
    // Walk the tree on the bits of x.
    uint32_t node = RootNode;
    uint32_t used = 0;
    while (used < LzhCodeTable::TopBits && m.Child[node] < NodeCount) {
      node = m.Child[node] + ((x >> (LzhCodeTable::TopBits - 1 - used)) & 1u);
      ++used;
    }
    ASSERT_EQ(t.Top[x], node | (used << LzhCodeTable::TopShift)) << where << " walk " << x;
  }
  for (uint32_t n = 0; n < NodeCount; ++n) {
    ASSERT_EQ(t.DepthOf(n), fresh->DepthOf(n)) << where << " Depth " << n;
    ASSERT_EQ(t.Place[n], fresh->Place[n]) << where << " Place " << n;
    if (t.DepthOf(n) != LzhCodeTable::Untracked) {
      ASSERT_EQ(t.PrefixOf(n), fresh->PrefixOf(n)) << where << " Prefix " << n;
      // The climb within the top levels takes each parent from the heap.
      const uint32_t depth = t.DepthOf(n);
      ASSERT_EQ(t.Place[n], (1u << depth) | (t.PrefixOf(n) >> (LzhCodeTable::TopBits - depth)))
          << where << " Place " << n;
      if (n != RootNode) {
        ASSERT_EQ(t.Heap[t.Place[n] >> 1], m.Parent[n]) << where << " Heap " << n;
      }
    } else {
      ASSERT_EQ(t.Place[n], 0) << where << " Place " << n;
    }
    const uint32_t c = m.Child[n];
    if (c < NodeCount) {
      ASSERT_EQ(t.Grand[2 * n], m.Child[c]) << where << " Grand " << n;
      ASSERT_EQ(t.Grand[2 * n + 1], m.Child[c + 1]) << where << " Grand " << n;
    }
  }
}

// Symbols drawn in ways that give the tree different shapes: uniform, a few symbols,
// two groups of different frequencies (leaves and inner nodes of equal counts, as
// 16-bit audio gives), and a drifting favourite.
uint32_t DrawSymbol(Rng& rng, uint32_t kind, uint32_t n) {
  switch (kind % 4) {
    case 0: return rng.Below(SymbolCount);
    case 1: return rng.Below(6);
    case 2: return rng.Below(3) == 0 ? rng.Below(256) : 64 + rng.Below(96);
    default: return (n / 5000 * 37 + rng.Below(40)) % SymbolCount;
  }
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

TEST(LzhModel, RebuildFollowsTheReferenceForEveryShapeOfCounts) {
  // The rebuild merges leaves and joined nodes; the reference inserts one node at a
  // time. Trees of many shapes, each rebuilt many times.
  for (uint32_t kind = 0; kind < 8; ++kind) {
    LzhModel m;
    auto r = std::make_unique<ReferenceDecoder>();
    m.InitTree();
    r->InitTree();
    Rng rng(kind + 50);
    uint32_t rebuilds = 0;
    for (uint32_t n = 0; n < 400000; ++n) {
      const uint32_t s = DrawSymbol(rng, kind, n);
      if (m.Freq[RootNode] == MaxFreq) {
        m.RebuildTree();
        r->RebuildTree();
        ++rebuilds;
        ExpectSameTree(m, *r, "rebuild");
      }
      m.UpdateTree(s);
      r->UpdateTree(s);
    }
    EXPECT_GE(rebuilds, 10u);
  }
}

TEST(LzhModel, ExchangeWithNothingToMendMovesNothing) {
  // The decoder makes a leaf's exchange without asking whether it is needed.
  LzhModel m;
  m.InitTree();
  Rng rng(3);
  for (uint32_t n = 0; n < 5000; ++n) m.UpdateTree(rng.Below(40));
  for (uint32_t c = 0; c < RootNode; ++c) {
    if (m.Freq[c] == m.Freq[c + 1]) continue;
    LzhModel before = m;
    LzhNoShape none;
    const uint32_t k = m.Freq[c] + 1u;
    ASSERT_EQ(m.Exchange(c, k, none), c);
    before.Freq[c] = static_cast<uint16_t>(k);
    before.Parent[LzhModel::ParentSpare] = m.Parent[LzhModel::ParentSpare];  // a junk slot
    ASSERT_EQ(0, std::memcmp(&m, &before, sizeof m)) << c;
    m.Freq[c] = static_cast<uint16_t>(k - 1);
  }
}

TEST(LzhCodeTable, FollowsEveryExchangeAndRebuild) {
  for (uint32_t kind = 0; kind < 8; ++kind) {
    LzhModel m;
    auto t = std::make_unique<LzhCodeTable>();
    m.InitTree();
    t->Rebuild(m);
    ExpectTableOf(*t, m, "initial");
    Rng rng(kind + 90);
    for (uint32_t n = 0; n < 120000; ++n) {
      const uint32_t s = DrawSymbol(rng, kind, n);
      if (m.Freq[RootNode] == MaxFreq) {
        m.RebuildTree();
        t->Rebuild(m);
      }
      m.UpdateFrom(m.Parent[NodeCount + s], *t);
      if (n % 997 == 0 || n < 2000) {
        ExpectTableOf(*t, m, "after update");
        ExpectSiblingOrder(m);
      }
    }
  }
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

TEST_F(LzhDecoderTest, AgreesWithTheReferenceAcrossChangesOfTheLeafCounting) {
  // The decoder counts leaves in one of two ways, chosen again every stretch of symbols
  // by how many exchanged their leaf: random bytes (nearly all do) and text of a few
  // words (few do), in pieces of varied lengths, take it back and forth.
  std::vector<uint8_t> data;
  for (uint64_t part = 0; part < 24; ++part) {
    const size_t n = 500 + (part * 7919) % 9000;
    const std::vector<uint8_t> piece = part % 2 == 0 ? RandomBytes(n, part) : TextBytes(n * 4, part);
    data.insert(data.end(), piece.begin(), piece.end());
  }
  std::vector<uint8_t> stream;
  LzhEncode(data.data(), data.size(), stream);
  const uint32_t size = static_cast<uint32_t>(stream.size());
  const DecodeRecord fast = DecodeWith(*decoder, stream, size, static_cast<uint32_t>(data.size()));
  const DecodeRecord slow = DecodeWith(*reference, stream, size, static_cast<uint32_t>(data.size()));
  EXPECT_EQ(fast.bytes, data);
  EXPECT_EQ(slow.bytes, data);
  ExpectWellBehaved(fast, size);
}

TEST_F(LzhDecoderTest, OneDecoderServesStreamAfterStreamFromAFreshState) {
  const std::vector<uint8_t> a = RandomBytes(5000, 7);
  const std::vector<uint8_t> b = RandomBytes(5000, 8);
  const DecodeRecord first = DecodeWith(*decoder, b, 5000, 40000);
  DecodeWith(*decoder, a, 5000, 40000);
  const DecodeRecord again = DecodeWith(*decoder, b, 5000, 40000);
  EXPECT_EQ(first.bytes, again.bytes);
}
