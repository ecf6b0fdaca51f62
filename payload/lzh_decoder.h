// LzhDecoder: decodes one LZHUF stream (LZSS over a 4096-byte history ring that starts
// filled with zero bytes, first write at RingStart; literals and match lengths in one
// adaptive Huffman code, distances in a fixed prefix code).
//
// Decode pulls compressed bytes through InputFn (a callable returning the next byte; the
// low eight bits are used) and never more than compressedLength of them: bits past the
// end read as zero. It pushes every decoded byte through OutputFn (a callable taking a
// uint32_t 0..255), in order, then FlushMarker exactly once. It stops as soon as the
// produced count reaches uncompressedLength; a final match is always copied whole, so a
// stream whose last match overshoots yields up to MaxMatch - 1 more bytes. The produced
// count is returned and stored over uncompressedLength. There is no error to detect:
// any input decodes to something and the call always ends.
//
// Stop, called from inside OutputFn, ends the stream early: Decode returns once the
// stretch under way is decoded (at most LeafStretch + MaxMatch - 1 more bytes reach
// OutputFn), with no FlushMarker, and returns the count produced so far. A caller that
// no longer wants a stream so wastes no time on the rest of it.
//
// One object holds one set of state and serves one stream at a time; Decode must not be
// entered again from inside InputFn or OutputFn.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "payload/lzh_code_table.h"
#include "payload/lzh_model.h"

class LzhDecoder {
 public:
  template <typename InputFn, typename OutputFn>
  uint32_t Decode(uint32_t& compressedLength, uint32_t& uncompressedLength,
                  InputFn& input, OutputFn& output);

  // Ends the stream being decoded after its current stretch (see above).
  void Stop() { StopRequested = true; }

  // After Decode: whether the bits the stream holds after its last symbol (those
  // of its last byte that no code used) are all 0, as the encoder leaves them. Such
  // bits change no decoded byte, so only this tells a flip among them.
  bool TrailingBitsClear() const { return trailingBits_ == 0; }

  // Bytes per stretch of the stream after which the way of counting a leaf is chosen
  // again, and the exchanges in such a stretch above which leaves are counted without a
  // branch (see CountLeaf): data that hardly compresses makes nearly one per byte, most
  // of them at the leaf; other data a few per hundred.
  static constexpr uint32_t LeafStretch = 4096;
  static constexpr uint32_t BranchlessLeafExchanges = LeafStretch * 3 / 10;

 private:
  // Pending bits, the next one at the word's top bit. The word is as wide as the
  // machine's registers: a 64-bit word in a 32-bit build would take two registers and
  // two instructions for every shift.
#if UINTPTR_MAX > 0xFFFFFFFFu
  using BitWord = uint64_t;
#else
  using BitWord = uint32_t;
#endif
  static constexpr uint32_t WordBits = sizeof(BitWord) * 8;
  // The tree keeps the sibling property with counts of at least 1 and a root of at most
  // MaxFreq, so no leaf is deeper than 22 (a node at depth d has a count of at least the
  // Fibonacci number F(d + 2)): a symbol takes at most 22 bits, a distance 14. A 64-bit
  // word topped up to more than 40 bits holds both; a 32-bit one holds a symbol and is
  // topped up again for the distance when needed.
  static constexpr uint32_t SymbolBits = WordBits == 64 ? 36u : 22u;

  // A stretch works on a copy of a callable that is plain data (trivially copyable and
  // assignable), copied back when the stretch ends: the copy lies in the stretch's own
  // frame, so its state needs no register of its own to be reached (a byte decoder
  // has few to spare). Any other callable is used where it is.
  template <typename Fn, bool Plain = std::is_trivially_copyable<Fn>::value &&
                                      std::is_copy_assignable<Fn>::value>
  struct StretchCopy {
    explicit StretchCopy(Fn& original) : fn(original), original(original) {}
    ~StretchCopy() { original = fn; }
    Fn fn;
    Fn& original;
  };
  template <typename Fn>
  struct StretchCopy<Fn, false> {
    explicit StretchCopy(Fn& original) : fn(original) {}
    Fn& fn;
  };

  // The state of the stream being decoded, handed between the stretches.
  struct Stream {
    uint32_t inputLength;
    uint32_t bytesRead;
    uint32_t bytesOut;
    uint32_t remaining;  // bytes still wanted
    uint32_t ringPos;
    uint32_t bitCount;   // valid bits in bitBuf
    BitWord bitBuf;
  };

  // Decodes about LeafStretch bytes (fewer when the stream ends). Each way of
  // counting leaves is a function of its own, compiled on its own.
  template <bool BranchlessLeaf, typename InputFn, typename OutputFn>
  LZH_INLINE void StretchBody(Stream& st, InputFn& input, OutputFn& output);
  template <bool BranchlessLeaf, typename InputFn, typename OutputFn>
  LZH_NOINLINE void DecodeStretch(Stream& st, InputFn& input, OutputFn& output) {
    StretchBody<BranchlessLeaf>(st, input, output);
  }
#if defined(LZH_SSE2_WHEN_PRESENT)
  // The same compiled for SSE2 throughout, with what it calls drawn in, so that the run
  // search of the leaf's exchange is inlined rather than called.
  template <bool BranchlessLeaf, typename InputFn, typename OutputFn>
  LZH_NOINLINE LZH_SSE2_FUNCTION __attribute__((flatten)) void DecodeStretchSse2(
      Stream& st, InputFn& input, OutputFn& output) {
    StretchBody<BranchlessLeaf>(st, input, output);
  }
#endif
  template <bool BranchlessLeaf, typename InputFn, typename OutputFn>
  void Stretch(Stream& st, InputFn& input, OutputFn& output) {
#if defined(LZH_SSE2_WHEN_PRESENT)
    if (LzhUseSse2) return DecodeStretchSse2<BranchlessLeaf>(st, input, output);
#endif
    DecodeStretch<BranchlessLeaf>(st, input, output);
  }

  // Counts the symbol of leaf node c: the leaf, then its ancestors. Most symbols of data
  // that hardly compresses exchange their leaf, in no order a branch could predict;
  // there the leaf's exchange is made every time, a no-op when not needed. Elsewhere it
  // is a rare branch.
  template <bool BranchlessLeaf>
  LZH_INLINE void CountLeaf(LzhIndex c);

  bool StopRequested = false;
  LzhModel Model;
  LzhCodeTable Table;
  // Only the first RingSize bytes are addressed; the rest keeps room for a whole match.
  uint8_t Ring[2 * RingSize + MaxMatch];
  // The bits left in the buffer when the last stream ended.
  uint64_t trailingBits_ = 0;
};

template <bool BranchlessLeaf>
LZH_INLINE void LzhDecoder::CountLeaf(LzhIndex c) {
  if (BranchlessLeaf) {
    // The leaf's exchange at once, then the climb from the parent of the leaf's place
    // (a leaf is never the root, so that parent is a node), parent after parent: these
    // symbols' leaves lie below the top levels, and the update is the most of their
    // work, so the fewest instructions a level win.
    Model.UpdateFrom(Model.Parent[Model.Exchange(c, Model.Freq[c] + 1u, Table)], Table);
    return;
  }
  // Here most leaves lie within the top levels and the climbs are short and of every
  // length. Within the top levels the ancestors come from the code table's heap: none
  // waits for the one before, and the climb's end is known from the start rather than
  // from the last parent read.
  uint16_t* const freq = Model.Freq;
  for (;;) {
    // Below the top levels, parent after parent. The root is within the top levels,
    // so this part ends there at the latest.
    uint32_t place;
    while ((place = Table.Place[c]) == 0) {
      const uint32_t k = ++freq[c];
      if (LZH_UNLIKELY(k > freq[c + 1])) c = Model.ExchangeOutOfLine(c, k, Table);
      c = Model.Parent[c];
    }
    for (;;) {
      const uint32_t k = ++freq[c];
      if (LZH_UNLIKELY(k > freq[c + 1])) {
        // The exchange changes the ancestors: go on from the parent of the new place
        // (never the root's: the root changes places with no node).
        c = Model.Parent[Model.ExchangeOutOfLine(c, k, Table)];
        break;
      }
      place >>= 1;
      if (place == 0) return;
      c = Table.Heap[place];
    }
  }
}

template <bool BranchlessLeaf, typename InputFn, typename OutputFn>
LZH_INLINE void LzhDecoder::StretchBody(Stream& st, InputFn& inputFn, OutputFn& outputFn) {
  StretchCopy<InputFn> inputCopy(inputFn);
  StretchCopy<OutputFn> outputCopy(outputFn);
  InputFn& input = inputCopy.fn;
  OutputFn& output = outputCopy.fn;
  // The stream's state lives in locals here, where the compiler keeps it in registers.
  const uint32_t inputLength = st.inputLength;
  uint32_t bytesRead = st.bytesRead;
  uint32_t bytesOut = st.bytesOut;
  uint32_t remaining = st.remaining;
  uint32_t ringPos = st.ringPos;
  uint32_t bitCount = st.bitCount;
  BitWord bitBuf = st.bitBuf;
  const uint16_t* const child = Model.Child;

  // Tops the buffer up to more than WordBits - 8 valid bits, four bytes at a time while
  // they last, then a byte at a time, with zero bytes once the stream's bytes are taken.
  auto refill = [&]() {
    if (bitCount <= WordBits - 32 && inputLength - bytesRead >= 4) {
      const uint32_t b0 = static_cast<uint8_t>(input());
      const uint32_t b1 = static_cast<uint8_t>(input());
      const uint32_t b2 = static_cast<uint8_t>(input());
      const uint32_t b3 = static_cast<uint8_t>(input());
      bytesRead += 4;
      bitBuf |= static_cast<BitWord>((b0 << 24) | (b1 << 16) | (b2 << 8) | b3)
                << (WordBits - 32 - bitCount);
      bitCount += 32;
    }
    while (bitCount <= WordBits - 8) {
      BitWord b = 0;
      if (bytesRead < inputLength) {
        ++bytesRead;
        b = static_cast<uint8_t>(input());
      }
      bitBuf |= b << (WordBits - 8 - bitCount);
      bitCount += 8;
    }
  };
  auto take = [&](uint32_t n) {  // drops n bits that are in the buffer
    bitBuf <<= n;
    bitCount -= n;
  };

  // The stretch ends with the first symbol that leaves no more than stop bytes wanted.
  const uint32_t stop = remaining > LeafStretch ? remaining - LeafStretch : 0;
  while (remaining > stop) {
    if (bitCount < SymbolBits) refill();

    // The first TopBits levels in one load.
    const uint32_t entry = Table.Top[bitBuf >> (WordBits - LzhCodeTable::TopBits)];
    LzhIndex node = entry & LzhCodeTable::TopNodeMask;
    take(entry >> LzhCodeTable::TopShift);
    // Up to two more levels without a branch: most codes of data that compresses badly
    // end within them. Grand gives the child link of the child the next bit picks.
    LzhIndex link = child[node];
    {
      const LzhIndex first = static_cast<LzhIndex>(bitBuf >> (WordBits - 1));
      const LzhIndex second = static_cast<LzhIndex>(bitBuf >> (WordBits - 2)) & 1u;
      const LzhIndex grand = Table.Grand[2 * node + first];  // junk when node is a leaf
      LzhIndex next = grand + second;
      uint32_t used = 2;
      if (grand >= NodeCount) {  // the first child is the leaf
        next = link + first;
        used = 1;
      }
      if (link >= NodeCount) {  // node is the leaf
        next = node;
        used = 0;
      }
      node = next;
      take(used);
      link = child[node];
    }
    while (link < NodeCount) {
      node = link + static_cast<LzhIndex>(bitBuf >> (WordBits - 1));
      take(1);
      link = child[node];
    }
    const uint32_t s = static_cast<uint32_t>(link - NodeCount);

    if (LZH_UNLIKELY(Model.Freq[RootNode] == MaxFreq)) {
      Model.RebuildTree();
      Table.Rebuild(Model);
      node = Model.Parent[NodeCount + s];
    }
    CountLeaf<BranchlessLeaf>(node);

    if (s < 256) {
      output(s);
      ++bytesOut;
      Ring[ringPos] = static_cast<uint8_t>(s);
      ringPos = (ringPos + 1) & RingMask;
      --remaining;
      continue;
    }

    // The distance: its code's first eight bits give u and the code's length; the six
    // low bits follow the code.
    if (WordBits != 64 && bitCount < 14) refill();
    const uint32_t firstByte = static_cast<uint32_t>(bitBuf >> (WordBits - 8));
    const uint32_t bits = PositionLengthTable[firstByte] + 6u;
    const uint32_t low = static_cast<uint32_t>(bitBuf >> (WordBits - bits)) & 63u;
    take(bits);
    const uint32_t d = (static_cast<uint32_t>(PositionCodeTable[firstByte]) << 6) | low;

    const uint32_t length = s - MatchSymbolBias;
    uint32_t src = (ringPos - d - 1) & RingMask;
    remaining = length < remaining ? remaining - length : 0;
    bytesOut += length;
    if (d + 1 >= length && src + length <= RingSize && ringPos + length <= RingSize) {
      // Neither end wraps around the ring, and the bytes read are not those written.
      const uint8_t* from = Ring + src;
      uint8_t* to = Ring + ringPos;
      for (uint32_t k = 0; k < length; ++k) {
        const uint8_t b = from[k];
        output(static_cast<uint32_t>(b));
        to[k] = b;
      }
      ringPos = (ringPos + length) & RingMask;
      continue;
    }
    // Byte by byte around the ring. A match longer than its distance repeats the d + 1
    // bytes before it: they are read from there rather than from the bytes just written,
    // which would make every byte wait for the one before.
    const uint32_t period = d + 1;
    uint32_t j = 0;
    for (uint32_t k = 0; k < length; ++k) {
      const uint8_t b = Ring[(src + j) & RingMask];
      j = j + 1 == period ? 0 : j + 1;
      output(static_cast<uint32_t>(b));
      Ring[ringPos] = b;
      ringPos = (ringPos + 1) & RingMask;
    }
  }

  st.bytesRead = bytesRead;
  st.bytesOut = bytesOut;
  st.remaining = remaining;
  st.ringPos = ringPos;
  st.bitCount = bitCount;
  st.bitBuf = bitBuf;
}

template <typename InputFn, typename OutputFn>
uint32_t LzhDecoder::Decode(uint32_t& compressedLength, uint32_t& uncompressedLength,
                            InputFn& input, OutputFn& output) {
  Model.InitTree();
  Table.Rebuild(Model);
  std::memset(Ring, 0, sizeof Ring);
  // Bytes still wanted: counting down cannot wrap, however close uncompressedLength is
  // to 2^32.
  Stream st{compressedLength, 0, 0, uncompressedLength, RingStart, 0, 0};
  bool branchless = false;
  StopRequested = false;
  while (st.remaining != 0) {
    Table.Moves = 0;
    if (branchless) {
      Stretch<true>(st, input, output);
    } else {
      Stretch<false>(st, input, output);
    }
    if (LZH_UNLIKELY(StopRequested)) break;
    branchless = Table.Moves > BranchlessLeafExchanges;
  }
  if (!StopRequested) output(FlushMarker);
  uncompressedLength = st.bytesOut;
  trailingBits_ = st.bitBuf;
  return st.bytesOut;
}
