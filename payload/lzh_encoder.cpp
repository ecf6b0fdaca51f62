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

// Bits of a distance's code (distance 1..RingSize is sent as distance - 1).
inline uint32_t DistanceBits(uint32_t distance) {
  return PositionEncodeLength[(distance - 1) >> 6] + 6u;
}

// The cheapest parse of the data under the code lengths of the moment. The data is
// taken in blocks: at the start of a block the code lengths are read from the live
// model (unless fewer than RepriceAfter symbols were coded since); then every position of the block is priced, from the front, as the cheapest
// way to reach it (a literal from the position before, or a match of any length from
// an earlier one); the cheapest path to the block's end is then coded with the live
// model, which goes on adapting. A match reaching NiceLength or more ends the block
// where it starts and is taken at once, which skips pricing inside long repeats.
class OptimalParser {
 public:
  static constexpr uint32_t BlockSize = 2048;
  static constexpr uint32_t NiceLength = 40;

  OptimalParser(const uint8_t* buf, size_t end, std::vector<uint8_t>& out)
      : Buf(buf), End(end), Coder(out), Finder(buf, end) {}

  void Run() {
    TreeMatchFinder::Match matches[TreeMatchFinder::MaxMatches];
    // The ring's initial zeros are history from the start.
    for (size_t q = 0; q < RingSize; ++q) Finder.Insert(q, matches);
    size_t p = RingSize;
    while (p < End) p = Block(p, matches);
    Coder.Finish();
  }

 private:
  // Prices are in eighths of a bit, plus one for every symbol, so that among parses of
  // equal size the one of fewer symbols wins.
  static constexpr uint32_t Unit = 8;
  static constexpr uint32_t Infinite = 0xFFFFFFFFu;

  size_t Block(size_t start, TreeMatchFinder::Match* matches) {
    if (Coded >= RepriceAfter) Reprice();
    const uint32_t size = static_cast<uint32_t>(End - start < BlockSize ? End - start : BlockSize);
    // Prices are set up just ahead of the positions a step can reach, so that a block
    // cut short early costs little.
    Price[0] = 0;
    uint32_t ready = 0;
    uint32_t blockEnd = size;
    uint32_t longLength = 0;
    uint32_t longDistance = 0;
    for (uint32_t i = 0; i < size; ++i) {
      const size_t p = start + i;
      const uint32_t reach = size - i < MaxMatch ? size : i + MaxMatch;
      for (; ready < reach; ) Price[++ready] = Infinite;
      const uint32_t count = Finder.Insert(p, matches);
      const uint32_t base = Price[i];
      const uint32_t lit = base + LiteralPrice[Buf[p]];
      if (lit < Price[i + 1]) {
        Price[i + 1] = lit;
        Length[i + 1] = 1;
      }
      if (count == 0) continue;
      const uint32_t longest = matches[count - 1].length;
      if (longest >= NiceLength) {
        blockEnd = i;
        longLength = longest;
        longDistance = matches[count - 1].distance;
        break;
      }
      const uint32_t room = size - i;
      uint32_t n = MinMatch;
      for (uint32_t k = 0; k < count; ++k) {
        const uint32_t top = matches[k].length < room ? matches[k].length : room;
        const uint32_t d = matches[k].distance;
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
    Emit(start, blockEnd);
    if (longLength == 0) return start + blockEnd;
    const size_t p = start + blockEnd;
    Coder.PutSymbol(longLength + MatchSymbolBias);
    Coder.PutDistance(longDistance - 1);
    ++Coded;
    for (size_t q = p + 1; q < p + longLength; ++q) Finder.Insert(q, matches);
    return p + longLength;
  }

  // Reads the code lengths of the live model into the price tables.
  void Reprice() {
    uint8_t bits[SymbolCount];
    CodeLengths(Coder.Code(), bits);
    for (uint32_t s = 0; s < 256; ++s) LiteralPrice[s] = bits[s] * Unit + 1;
    for (uint32_t n = MinMatch; n <= MaxMatch; ++n)
      LengthPrice[n] = bits[n + MatchSymbolBias] * Unit + 1;
    Coded = 0;
  }

  // Codes the cheapest path from the block's start to position end of it.
  void Emit(size_t start, uint32_t end) {
    uint32_t steps = 0;
    for (uint32_t i = end; i > 0; i -= Length[i]) Path[steps++] = static_cast<uint16_t>(i);
    uint32_t at = 0;
    while (steps > 0) {
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
  }

  const uint8_t* Buf;
  size_t End;
  SymbolCoder Coder;
  TreeMatchFinder Finder;
  // Prices of the symbols, read from the model when a block starts after RepriceAfter
  // or more symbols have been coded with the prices in hand.
  static constexpr uint32_t RepriceAfter = 256;
  uint32_t Coded = RepriceAfter;
  uint32_t LiteralPrice[256];
  uint32_t LengthPrice[MaxMatch + 1];
  // Per position of a block (0..BlockSize): the cheapest price found to reach it and
  // the last step of that parse (1 for a literal, else a match's length and distance).
  uint32_t Price[BlockSize + 1];
  uint8_t Length[BlockSize + 1];
  uint16_t Distance[BlockSize + 1];
  uint16_t Path[BlockSize + 1];
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
