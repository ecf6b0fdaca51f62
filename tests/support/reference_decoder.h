// A plain, step-by-step LZHUF decoder kept as the reference that the real decoder is
// checked against: a 16-bit bit buffer filled one byte at a time, a linear scan in the
// tree update, one output call per byte. It shares no code with the product's codec on
// purpose, and favours being obviously right over being fast. Same contract as
// LzhDecoder::Decode.
#pragma once

#include <cstdint>
#include <cstring>

class ReferenceDecoder {
 public:
  static constexpr unsigned Leaves = 314;
  static constexpr unsigned Nodes = 627;
  static constexpr unsigned Root = 626;

  uint16_t Freq[628];
  uint16_t Child[627];
  uint16_t Parent[941];
  uint8_t Ring[8252];

  template <typename InputFn, typename OutputFn>
  uint32_t Decode(uint32_t& compressedLength, uint32_t& uncompressedLength,
                  InputFn& input, OutputFn& output) {
    CompressedLength = compressedLength;
    BytesRead = 0;
    BitBuf = 0;
    BitCount = 0;
    uint32_t bytesOut = 0;
    InitTree();
    std::memset(Ring, 0, sizeof Ring);
    unsigned ringPos = 4036;

    uint32_t count = 0;
    while (count < uncompressedLength) {
      unsigned s = DecodeSymbol(input);
      if (s < 256) {
        output(static_cast<uint32_t>(s));
        bytesOut += 1;
        Ring[ringPos] = static_cast<uint8_t>(s);
        ringPos = (ringPos + 1) % 4096;
        count += 1;
      } else {
        unsigned d = DecodePosition(input);
        unsigned src = (ringPos + 4096 - d - 1) % 4096;
        unsigned length = s - 253;
        count += length;
        for (unsigned k = 0; k < length; k++) {
          uint8_t b = Ring[(src + k) % 4096];
          output(static_cast<uint32_t>(b));
          bytesOut += 1;
          Ring[ringPos] = b;
          ringPos = (ringPos + 1) % 4096;
        }
      }
    }
    output(0xABCDABCDu);
    uncompressedLength = bytesOut;
    return bytesOut;
  }

  void InitTree() {
    for (unsigned s = 0; s < Leaves; s++) {
      Freq[s] = 1;
      Child[s] = static_cast<uint16_t>(s + Nodes);
      Parent[s + Nodes] = static_cast<uint16_t>(s);
    }
    unsigned i = 0;
    for (unsigned j = Leaves; j <= Root; j++) {
      Freq[j] = static_cast<uint16_t>(Freq[i] + Freq[i + 1]);
      Child[j] = static_cast<uint16_t>(i);
      Parent[i] = static_cast<uint16_t>(j);
      Parent[i + 1] = static_cast<uint16_t>(j);
      i += 2;
    }
    Freq[627] = 0xFFFF;
    Parent[Root] = 0;
  }

  void UpdateTree(unsigned s) {
    unsigned c = Parent[Nodes + s];
    do {
      Freq[c] += 1;
      unsigned k = Freq[c];
      if (k > Freq[c + 1]) {
        unsigned l = c + 1;
        while (k > Freq[l + 1]) l += 1;
        Freq[c] = Freq[l];
        Freq[l] = static_cast<uint16_t>(k);
        unsigned i = Child[c];
        Parent[i] = static_cast<uint16_t>(l);
        if (i < Nodes) Parent[i + 1] = static_cast<uint16_t>(l);
        unsigned j = Child[l];
        Child[l] = static_cast<uint16_t>(i);
        Parent[j] = static_cast<uint16_t>(c);
        if (j < Nodes) Parent[j + 1] = static_cast<uint16_t>(c);
        Child[c] = static_cast<uint16_t>(j);
        c = l;
      }
      c = Parent[c];
    } while (c != 0);
  }

  void RebuildTree() {
    unsigned j = 0;
    for (unsigned i = 0; i < Nodes; i++) {
      if (Child[i] >= Nodes) {
        Freq[j] = static_cast<uint16_t>((Freq[i] + 1) / 2);
        Child[j] = Child[i];
        j += 1;
      }
    }
    unsigned i = 0;
    for (j = Leaves; j < Nodes; j++) {
      unsigned f = Freq[i] + Freq[i + 1];
      unsigned p = j - 1;
      while (f < Freq[p]) p -= 1;
      p += 1;
      for (unsigned m = j; m > p; m--) {
        Freq[m] = Freq[m - 1];
        Child[m] = Child[m - 1];
      }
      Freq[p] = static_cast<uint16_t>(f);
      Child[p] = static_cast<uint16_t>(i);
      i += 2;
    }
    for (i = 0; i < Nodes; i++) {
      unsigned k = Child[i];
      if (k >= Nodes) {
        Parent[k] = static_cast<uint16_t>(i);
      } else {
        Parent[k] = static_cast<uint16_t>(i);
        Parent[k + 1] = static_cast<uint16_t>(i);
      }
    }
  }

  // The distance tables, spelled out as ranges of the code's first byte.
  static unsigned PositionCode(unsigned i) {
    if (i < 32) return 0;
    if (i < 80) return 1 + (i - 32) / 16;
    if (i < 144) return 4 + (i - 80) / 8;
    if (i < 192) return 12 + (i - 144) / 4;
    if (i < 240) return 24 + (i - 192) / 2;
    return 48 + (i - 240);
  }
  static unsigned PositionLength(unsigned i) {
    if (i < 32) return 3;
    if (i < 80) return 4;
    if (i < 144) return 5;
    if (i < 192) return 6;
    if (i < 240) return 7;
    return 8;
  }

 private:
  uint32_t CompressedLength = 0;
  uint32_t BytesRead = 0;
  uint16_t BitBuf = 0;
  uint8_t BitCount = 0;

  template <typename InputFn>
  void Refill(InputFn& input) {
    while (BitCount <= 8) {
      unsigned b = 0;
      if (BytesRead < CompressedLength) {
        BytesRead += 1;
        b = static_cast<uint8_t>(input());
      }
      BitBuf = static_cast<uint16_t>(BitBuf | (b << (8 - BitCount)));
      BitCount = static_cast<uint8_t>(BitCount + 8);
    }
  }

  template <typename InputFn>
  unsigned ReadBit(InputFn& input) {
    Refill(input);
    unsigned bit = (BitBuf >> 15) & 1;
    BitBuf = static_cast<uint16_t>(BitBuf << 1);
    BitCount = static_cast<uint8_t>(BitCount - 1);
    return bit;
  }

  template <typename InputFn>
  unsigned ReadByte(InputFn& input) {
    Refill(input);
    unsigned value = BitBuf >> 8;
    BitBuf = static_cast<uint16_t>(BitBuf << 8);
    BitCount = static_cast<uint8_t>(BitCount - 8);
    return value;
  }

  template <typename InputFn>
  unsigned DecodeSymbol(InputFn& input) {
    unsigned c = Child[Root];
    while (c < Nodes) c = Child[c + ReadBit(input)];
    unsigned s = c - Nodes;
    if (Freq[Root] == 0x8000) RebuildTree();
    UpdateTree(s);
    return s;
  }

  template <typename InputFn>
  unsigned DecodePosition(InputFn& input) {
    unsigned i = ReadByte(input);
    unsigned u = PositionCode(i);
    unsigned n = PositionLength(i) - 2;
    for (unsigned k = 0; k < n; k++) i = i * 2 + ReadBit(input);
    return u * 64 + (i % 64);
  }
};
