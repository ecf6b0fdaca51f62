#include "payload/lzh_encoder.h"

#include <cstring>
#include <memory>

#include "payload/lzh_model.h"

namespace {

// Appends bits most significant first; Finish fills the last byte with zero bits.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : Out(out) {}

  void Put(uint32_t bits, uint32_t count) {  // count <= 32, bits right-aligned
    Acc = (Acc << count) | bits;
    Pending += count;
    while (Pending >= 8) {
      Pending -= 8;
      Out.push_back(static_cast<uint8_t>(Acc >> Pending));
    }
  }
  void Finish() {
    if (Pending > 0) Out.push_back(static_cast<uint8_t>(Acc << (8 - Pending)));
    Pending = 0;
  }

 private:
  std::vector<uint8_t>& Out;
  uint64_t Acc = 0;
  uint32_t Pending = 0;
};

// The coding side of the adaptive model: a symbol's code is the path from the root to
// its leaf (bit 1 for the second child of a pair, which stands at the odd index).
class SymbolCoder {
 public:
  SymbolCoder() { Model.InitTree(); }

  void PutSymbol(BitWriter& w, uint32_t s) {
    // The tree is a Huffman tree of counts below MaxFreq, so a path has well under 64
    // steps.
    uint64_t code = 0;
    uint32_t length = 0;
    uint32_t c = Model.Parent[NodeCount + s];
    while (c != RootNode) {
      code |= static_cast<uint64_t>(c & 1u) << length;
      ++length;
      c = Model.Parent[c];
    }
    if (length > 32) {
      w.Put(static_cast<uint32_t>(code >> 32), length - 32);
      length = 32;
    }
    w.Put(static_cast<uint32_t>(code), length);
    Model.CountSymbol(s);
  }

  static void PutDistance(BitWriter& w, uint32_t d) {
    const uint32_t u = d >> 6;
    w.Put(PositionEncodeCode[u], PositionEncodeLength[u]);
    w.Put(d & 63u, 6);
  }

 private:
  LzhModel Model;
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

}  // namespace

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  LzhEncode(data, size, out, LzhParse::Lazy);
}

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, LzhParse parse) {
  if (size == 0) return;
  std::vector<uint8_t> buf(RingSize + size, 0);
  std::memcpy(buf.data() + RingSize, data, size);
  const size_t end = buf.size();

  BitWriter writer(out);
  SymbolCoder coder;
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
        coder.PutSymbol(writer, buf[p]);
        ++p;
        length = nextLength;
        distance = nextDistance;
        continue;
      }
    }
    if (length >= MinMatch) {
      coder.PutSymbol(writer, length + MatchSymbolBias);
      SymbolCoder::PutDistance(writer, distance - 1);
      p += length;
    } else {
      coder.PutSymbol(writer, buf[p]);
      ++p;
    }
    length = p < end ? finder.Find(p, distance) : 0;
  }
  writer.Finish();
}
