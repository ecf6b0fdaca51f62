#include "payload/lzh_encoder.h"

#include <cstring>
#include <memory>

#include "payload/lzh_model.h"

namespace {

// The coding side of the adaptive model, shared by every parse: a symbol's code is the
// path from the root to its leaf (bit 1 for the second child of a pair, which stands at
// the odd index), most significant bit first. Bits gather in a 64-bit word and leave it
// four bytes at a time through a small buffer, handed to the output when nearly full.
class SymbolCoder {
 public:
  explicit SymbolCoder(std::vector<uint8_t>& out) : Out(out) { Model.InitTree(); }
  ~SymbolCoder() { Flush(); }

  const LzhModel& Code() const { return Model; }

  void PutSymbol(uint32_t s) {
    // No leaf is deeper than 22 (see the decoder), so a code fits one Put.
    uint32_t code = 0;
    uint32_t length = 0;
    uint32_t c = Model.Parent[NodeCount + s];
    while (c != RootNode) {
      code |= (c & 1u) << length;
      ++length;
      c = Model.Parent[c];
    }
    Put(code, length);
    Model.CountSymbol(s);
  }

  void PutDistance(uint32_t d) {  // d = distance - 1, 0..RingSize - 1
    const uint32_t u = d >> 6;
    Put((static_cast<uint32_t>(PositionEncodeCode[u]) << 6) | (d & 63u), PositionEncodeLength[u] + 6u);
  }

  // Writes the last bits, the final byte filled with zero bits.
  void Finish() {
    while (Pending >= 8) {
      Pending -= 8;
      Buffer[Fill++] = static_cast<uint8_t>(Acc >> Pending);
    }
    if (Pending > 0) Buffer[Fill++] = static_cast<uint8_t>(Acc << (8 - Pending));
    Pending = 0;
    Flush();
  }

 private:
  void Put(uint32_t bits, uint32_t count) {  // count <= 32, bits right-aligned
    Acc = (Acc << count) | bits;
    Pending += count;
    if (Pending >= 32) {
      Pending -= 32;
      const uint32_t word = static_cast<uint32_t>(Acc >> Pending);
      Buffer[Fill] = static_cast<uint8_t>(word >> 24);
      Buffer[Fill + 1] = static_cast<uint8_t>(word >> 16);
      Buffer[Fill + 2] = static_cast<uint8_t>(word >> 8);
      Buffer[Fill + 3] = static_cast<uint8_t>(word);
      Fill += 4;
      if (Fill > sizeof Buffer - 8) Flush();
    }
  }
  void Flush() {
    Out.insert(Out.end(), Buffer, Buffer + Fill);
    Fill = 0;
  }

  std::vector<uint8_t>& Out;
  LzhModel Model;
  uint64_t Acc = 0;
  uint32_t Pending = 0;
  uint32_t Fill = 0;
  uint8_t Buffer[4096];
};

// Finds matches with hash chains over the history. Positions index a buffer that holds
// RingSize zero bytes (the ring's initial contents) before the data, so matches into the
// initial ring come out of the same search.
class MatchFinder {
 public:
  static constexpr uint32_t HashBits = 15;
  static constexpr uint32_t ChainDepth = 48;

  MatchFinder(const uint8_t* buf, size_t end) : Buf(buf), End(end) {
    Head.reset(new uint32_t[1u << HashBits]);
    Prev.reset(new uint32_t[2 * RingSize]);
    std::memset(Head.get(), 0xFF, sizeof(uint32_t) << HashBits);
  }

  // Longest match for position p (at least every position before p is in the chains).
  // Returns its length (0 when none of MinMatch or more) and sets distance (1..RingSize).
  uint32_t Find(size_t p, uint32_t& distance) {
    InsertUpTo(p);
    if (End - p < MinMatch) return 0;
    const uint32_t limit = static_cast<uint32_t>(End - p < MaxMatch ? End - p : MaxMatch);
    const uint8_t* cur = Buf + p;
    uint32_t best = MinMatch - 1;
    uint32_t q = Head[Hash(p)];
    for (uint32_t depth = 0; depth < ChainDepth && q != None && p - q <= RingSize; ++depth) {
      const uint8_t* cand = Buf + q;
      if (cand[best] == cur[best] && cand[0] == cur[0] && cand[1] == cur[1]) {
        uint32_t n = 2;
        while (n < limit && cand[n] == cur[n]) ++n;
        if (n > best) {
          best = n;
          distance = static_cast<uint32_t>(p - q);
          if (n == limit) break;
        }
      }
      q = Prev[q & (2 * RingSize - 1)];
    }
    return best >= MinMatch ? best : 0;
  }

 private:
  static constexpr uint32_t None = 0xFFFFFFFFu;

  uint32_t Hash(size_t p) const {
    const uint32_t v = (static_cast<uint32_t>(Buf[p]) << 16) |
                       (static_cast<uint32_t>(Buf[p + 1]) << 8) | Buf[p + 2];
    return (v * 2654435761u) >> (32 - HashBits);
  }
  void InsertUpTo(size_t p) {
    for (; Next < p && Next + MinMatch <= End; ++Next) {
      const uint32_t h = Hash(Next);
      Prev[Next & (2 * RingSize - 1)] = Head[h];
      Head[h] = static_cast<uint32_t>(Next);
    }
    if (Next < p) Next = p;
  }

  const uint8_t* Buf;
  size_t End;
  size_t Next = 0;
  std::unique_ptr<uint32_t[]> Head;
  std::unique_ptr<uint32_t[]> Prev;
};

// Finds, for one position, the nearest match of every length it can reach, and keeps
// the history in order: positions whose first three bytes hash alike form a binary tree
// ordered by the bytes that follow (compared up to MaxMatch of them), the newest
// position at the root. Inserting a position splits its tree around the new root, and
// the walk down meets, for each length, the newest earlier position matching at least
// that far, so the matches come out with rising lengths and the nearest distance each.
class TreeMatchFinder {
 public:
  struct Match {
    uint32_t length;
    uint32_t distance;  // 1..RingSize
  };
  static constexpr uint32_t HashBits = 16;
  // Nodes visited per search. Records and sparse data keep many positions alike in
  // their first bytes; 16 missed some of their longest matches, 64 finds nearly all.
  static constexpr uint32_t MaxDepth = 64;
  // Matches found at one position: at most one per length.
  static constexpr uint32_t MaxMatches = MaxMatch - MinMatch + 1;

  TreeMatchFinder(const uint8_t* buf, size_t end) : Buf(buf), End(end) {
    Head.reset(new uint32_t[1u << HashBits]);
    Smaller.reset(new uint32_t[Cycle]);
    Larger.reset(new uint32_t[Cycle]);
    std::memset(Head.get(), 0xFF, sizeof(uint32_t) << HashBits);
  }

  // Inserts position p (every position before it must be inserted already) and writes
  // its matches to out, rising in length; returns how many there are.
  uint32_t Insert(size_t p, Match* out) {
    if (End - p < MinMatch) return 0;
    const uint32_t limit = static_cast<uint32_t>(End - p < MaxMatch ? End - p : MaxMatch);
    const uint8_t* cur = Buf + p;
    const uint32_t h = Hash(cur);
    uint32_t q = Head[h];
    Head[h] = static_cast<uint32_t>(p);
    uint32_t* smallerSlot = &Smaller[p & CycleMask];
    uint32_t* largerSlot = &Larger[p & CycleMask];
    uint32_t smallerLength = 0;
    uint32_t largerLength = 0;
    uint32_t best = MinMatch - 1;
    uint32_t count = 0;
    for (uint32_t depth = 0;; ++depth) {
      if (q == None || p - q > RingSize || depth == MaxDepth) {
        *smallerSlot = None;
        *largerSlot = None;
        break;
      }
      const uint8_t* cand = Buf + q;
      const uint32_t n = CommonLength(cand, cur, smallerLength < largerLength ? smallerLength : largerLength, limit);
      if (n > best) {
        best = n;
        out[count].length = n;
        out[count].distance = static_cast<uint32_t>(p - q);
        ++count;
      }
      const uint32_t slot = q & CycleMask;
      if (n == limit) {
        // Equal as far as keys go: the new position takes the old one's place.
        *smallerSlot = Smaller[slot];
        *largerSlot = Larger[slot];
        break;
      }
      if (cand[n] < cur[n]) {
        *smallerSlot = q;
        smallerSlot = &Larger[slot];
        q = *smallerSlot;
        smallerLength = n;
      } else {
        *largerSlot = q;
        largerSlot = &Smaller[slot];
        q = *largerSlot;
        largerLength = n;
      }
    }
    return count;
  }

 private:
  static constexpr uint32_t None = 0xFFFFFFFFu;
  // Tree slots are reused after Cycle positions, well after they leave the ring.
  static constexpr uint32_t Cycle = 2 * RingSize;
  static constexpr uint32_t CycleMask = Cycle - 1;

  // How far a and b agree, from n (they agree before it) up to at most limit bytes.
  static uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t n, uint32_t limit) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && defined(__GNUC__)
    while (n + 8 <= limit) {
      uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + (static_cast<uint32_t>(__builtin_ctzll(x ^ y)) >> 3);
      n += 8;
    }
#endif
    while (n < limit && a[n] == b[n]) ++n;
    return n;
  }

  static uint32_t Hash(const uint8_t* b) {
    const uint32_t v = (static_cast<uint32_t>(b[0]) << 16) | (static_cast<uint32_t>(b[1]) << 8) | b[2];
    return (v * 2654435761u) >> (32 - HashBits);
  }

  const uint8_t* Buf;
  size_t End;
  std::unique_ptr<uint32_t[]> Head;
  std::unique_ptr<uint32_t[]> Smaller;
  std::unique_ptr<uint32_t[]> Larger;
};

// The code lengths the adaptive model gives right now: a symbol's length is its leaf's
// depth. Parents stand above their children in the node order (every count is at least
// one, so a parent counts more than either child), so one pass down the nodes finds all.
void CodeLengths(const LzhModel& model, uint8_t* symbolBits) {
  uint8_t depth[NodeCount];
  depth[RootNode] = 0;
  for (uint32_t n = RootNode + 1; n-- > 0;) {
    const uint32_t c = model.Child[n];
    const uint8_t d = depth[n];
    if (c >= NodeCount) {
      symbolBits[c - NodeCount] = d;
    } else {
      depth[c] = static_cast<uint8_t>(d + 1);
      depth[c + 1] = static_cast<uint8_t>(d + 1);
    }
  }
}

// log2(x) for x of 1 to 65535, in 32nds of a bit, rounded down: the whole bits from the
// highest bit set, then five bits of fraction, each from squaring the rest. Integer
// arithmetic only, so that every build prices (and packs) alike.
uint32_t Log2In32nds(uint32_t x) {
  uint32_t whole = 0;
  while ((x >> whole) > 1) ++whole;
  uint64_t rest = (static_cast<uint64_t>(x) << 16) >> whole;  // x / 2^whole, 16 fraction bits
  uint32_t log = whole;
  for (uint32_t k = 0; k < 5; ++k) {
    rest = (rest * rest) >> 16;
    log <<= 1;
    if (rest >= (uint64_t{2} << 16)) {
      rest >>= 1;
      log |= 1;
    }
  }
  return log;
}

// Bits of a distance's code (distance 1..RingSize is sent as distance - 1).
inline uint32_t DistanceBits(uint32_t distance) {
  return PositionEncodeLength[(distance - 1) >> 6] + 6u;
}

// The default parse: the cheapest sequence of literals and matches under the prices of
// the moment, found block by block. A block's positions are priced from the front, each
// as the cheapest way to reach it (a literal from the position before, or a match of
// any length from an earlier one, with the exact bits of its distance); the cheapest
// path is then coded with the live model, which goes on adapting, and the prices are
// read from it again. The pricing looks Lookahead positions past the block and lets
// the last matches run beyond that too, so that no match is cut at a block's end: only
// the path's steps that start within the block are coded, and the next block starts
// where the last of them ends, with the matches already found for its first positions.
// A match reaching NiceLength or more ends the window where it starts and is taken at
// once, which skips pricing inside long repeats.
class OptimalParser {
 public:
  static constexpr uint32_t BlockSize = 2048;
  static constexpr uint32_t Lookahead = 128;
  static constexpr uint32_t Window = BlockSize + Lookahead;
  static constexpr uint32_t NiceLength = 40;

  OptimalParser(const uint8_t* buf, size_t end, std::vector<uint8_t>& out)
      : Buf(buf), End(end), Coder(out), Finder(buf, end),
        Found(new Match[Window * TreeMatchFinder::MaxMatches]) {}

  void Run() {
    Match scratch[TreeMatchFinder::MaxMatches];
    // The ring's initial zeros are history from the start.
    for (size_t q = 0; q < RingSize; ++q) Finder.Insert(q, scratch);
    size_t p = RingSize;
    while (p < End) p = Block(p);
    Coder.Finish();
  }

 private:
  using Match = TreeMatchFinder::Match;
  // Prices are in 32nds of a bit, plus one for every symbol, so that among parses of
  // equal size the one of fewer symbols wins.
  static constexpr uint32_t Unit = 32;
  static constexpr uint32_t Infinite = 0xFFFFFFFFu;
  static constexpr uint32_t None = 0xFFFFFFFFu;

  // Codes the block from start; returns the position after the last step coded.
  size_t Block(size_t start) {
    if (Coded >= RepriceAfter) Reprice();
    const uint32_t want = static_cast<uint32_t>(End - start < Window ? End - start : Window);
    const uint32_t size = FindMatches(start, want);
    // A window cut short (by the data's end or a long match) is coded to its end.
    const bool whole = size < Window;
    const uint32_t reach = whole ? size : size + MaxMatch - 1;
    PriceWindow(start, size, reach);
    const uint32_t coded = CodePath(start, CheapestEnd(size, reach), whole ? size : BlockSize);
    if (coded == LongAt) return TakeLongMatch(start + coded);
    KeepMatchesFrom(coded);
    return start + coded;
  }

  // Finds the matches of window positions Known to want - 1 (those before Known are
  // kept from the last block). Stops at a position with a match of NiceLength or more,
  // which is then LongAt; returns the window's size (want, or LongAt when cut short).
  uint32_t FindMatches(size_t start, uint32_t want) {
    LongAt = None;
    for (; Known < want; ++Known) {
      Match* m = MatchesAt(Known);
      const uint32_t count = Finder.Insert(start + Known, m);
      Count[Known] = static_cast<uint8_t>(count);
      if (count != 0 && m[count - 1].length >= NiceLength) {
        LongAt = Known++;
        return LongAt;
      }
    }
    return want;
  }

  // Prices every position of the window that a step from one of its first size
  // positions can reach (up to reach).
  void PriceWindow(size_t start, uint32_t size, uint32_t reach) {
    Price[0] = 0;
    for (uint32_t i = 1; i <= reach; ++i) Price[i] = Infinite;
    for (uint32_t i = 0; i < size; ++i) {
      const uint32_t base = Price[i];
      const uint32_t lit = base + LiteralPrice[Buf[start + i]];
      if (lit < Price[i + 1]) {
        Price[i + 1] = lit;
        Length[i + 1] = 1;
      }
      PriceMatches(i, reach - i);
    }
  }

  // Prices the matches from window position i, each length with the nearest distance
  // that reaches it, none longer than room.
  void PriceMatches(uint32_t i, uint32_t room) {
    const Match* m = MatchesAt(i);
    const uint32_t count = Count[i];
    const uint32_t base = Price[i];
    uint32_t n = MinMatch;
    for (uint32_t k = 0; k < count; ++k) {
      const uint32_t top = m[k].length < room ? m[k].length : room;
      const uint32_t d = m[k].distance;
      const uint32_t withDistance = base + DistanceBits(d) * Unit;
      for (; n <= top; ++n) {
        const uint32_t price = withDistance + LengthPrice[n];
        if (price < Price[i + n]) {
          Price[i + n] = price;
          Length[i + n] = static_cast<uint8_t>(n);
          Distance[i + n] = static_cast<uint16_t>(d);
        }
      }
      if (top == room) break;
    }
  }

  // Where the cheapest path over the window's first size positions ends: size itself
  // or, past it, the end of a match that costs no more (the later on a tie).
  uint32_t CheapestEnd(uint32_t size, uint32_t reach) const {
    uint32_t best = size;
    for (uint32_t e = size + 1; e <= reach; ++e) {
      if (Price[e] <= Price[best]) best = e;
    }
    return best;
  }

  // Codes the steps of the cheapest path to end that start before stop; returns the
  // window position after the last one.
  uint32_t CodePath(size_t start, uint32_t end, uint32_t stop) {
    uint32_t steps = 0;
    for (uint32_t i = end; i > 0; i -= Length[i]) Path[steps++] = static_cast<uint16_t>(i);
    uint32_t at = 0;
    while (steps > 0 && at < stop) {
      const uint32_t to = Path[--steps];
      const uint32_t n = to - at;
      if (n == 1) {
        Coder.PutSymbol(Buf[start + at]);
      } else {
        Coder.PutSymbol(n + MatchSymbolBias);
        Coder.PutDistance(Distance[to] - 1u);
      }
      at = to;
      ++Coded;
    }
    return at;
  }

  // Codes the long match found at p and puts the positions it covers into the history;
  // returns the position after it.
  size_t TakeLongMatch(size_t p) {
    const Match& m = MatchesAt(LongAt)[Count[LongAt] - 1];
    Coder.PutSymbol(m.length + MatchSymbolBias);
    Coder.PutDistance(m.distance - 1);
    ++Coded;
    Match scratch[TreeMatchFinder::MaxMatches];
    for (size_t q = p + 1; q < p + m.length; ++q) Finder.Insert(q, scratch);
    Known = 0;
    return p + m.length;
  }

  // Moves the matches found for window positions from on to the front: the next
  // block starts there.
  void KeepMatchesFrom(uint32_t from) {
    for (uint32_t i = from; i < Known; ++i) {
      Count[i - from] = Count[i];
      std::memcpy(MatchesAt(i - from), MatchesAt(i), Count[i] * sizeof(Match));
    }
    Known -= from;
  }

  // Reads the symbols' prices from the live model. A symbol's code length is what it
  // costs now; its share of the counts (log2 of the root's count over its leaf's) is
  // what its length tends to as the code adapts, and it tells apart the many parses
  // whose code lengths add up alike. The price weighs the share three times and the
  // length once, the mix of the two that packed the codec corpus smallest.
  void Reprice() {
    const LzhModel& model = Coder.Code();
    uint8_t bits[SymbolCount];
    CodeLengths(model, bits);
    const uint32_t rootLog = Log2In32nds(model.Freq[RootNode]);
    uint32_t price[SymbolCount];
    for (uint32_t s = 0; s < SymbolCount; ++s) {
      const uint32_t share = rootLog - Log2In32nds(model.Freq[model.Parent[NodeCount + s]]);
      price[s] = (3 * share + bits[s] * Unit + 2) / 4 + 1;
    }
    std::memcpy(LiteralPrice, price, sizeof LiteralPrice);
    for (uint32_t n = MinMatch; n <= MaxMatch; ++n) LengthPrice[n] = price[n + MatchSymbolBias];
    Coded = 0;
  }

  Match* MatchesAt(uint32_t i) const { return Found.get() + i * TreeMatchFinder::MaxMatches; }

  const uint8_t* Buf;
  size_t End;
  SymbolCoder Coder;
  TreeMatchFinder Finder;
  // The matches of the window's positions 0 to Known - 1: Count[i] of them from
  // MatchesAt(i) on, rising in length. LongAt is the position that cut the window
  // short with a long match, or None.
  std::unique_ptr<Match[]> Found;
  uint8_t Count[Window];
  uint32_t Known = 0;
  uint32_t LongAt = None;
  // Prices of the symbols, read from the model when a block starts after RepriceAfter
  // or more symbols have been coded with the prices in hand.
  static constexpr uint32_t RepriceAfter = 256;
  uint32_t Coded = RepriceAfter;
  uint32_t LiteralPrice[256];
  uint32_t LengthPrice[MaxMatch + 1];
  // Per position of the window and past it (0..Window + MaxMatch - 1): the cheapest
  // price found to reach it and the last step of that parse (1 for a literal, else a
  // match's length and distance).
  uint32_t Price[Window + MaxMatch];
  uint8_t Length[Window + MaxMatch];
  uint16_t Distance[Window + MaxMatch];
  uint16_t Path[Window + MaxMatch];
};

}  // namespace

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  LzhEncode(data, size, out, LzhParse::Optimal);
}

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, LzhParse parse) {
  if (size == 0) return;
  std::vector<uint8_t> buf(RingSize + size, 0);
  std::memcpy(buf.data() + RingSize, data, size);
  const size_t end = buf.size();
  if (parse == LzhParse::Optimal) {
    std::unique_ptr<OptimalParser> parser(new OptimalParser(buf.data(), end, out));
    parser->Run();
    return;
  }

  SymbolCoder coder(out);
  MatchFinder finder(buf.data(), end);

  size_t p = RingSize;
  uint32_t distance = 0;
  uint32_t length = finder.Find(p, distance);
  while (p < end) {
    // Lazy evaluation: a longer match at the next position wins over this one, which
    // then becomes a literal.
    if (parse == LzhParse::Lazy && length >= MinMatch && length < MaxMatch && p + 1 < end) {
      uint32_t nextDistance = 0;
      const uint32_t nextLength = finder.Find(p + 1, nextDistance);
      if (nextLength > length) {
        coder.PutSymbol(buf[p]);
        ++p;
        length = nextLength;
        distance = nextDistance;
        continue;
      }
    }
    if (length >= MinMatch) {
      coder.PutSymbol(length + MatchSymbolBias);
      coder.PutDistance(distance - 1);
      p += length;
    } else {
      coder.PutSymbol(buf[p]);
      ++p;
    }
    length = p < end ? finder.Find(p, distance) : 0;
  }
  coder.Finish();
}
