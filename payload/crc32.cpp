#include "payload/crc32.h"

namespace {

constexpr uint32_t Polynomial = 0xEDB88320u;

// Tables[0] is the byte-wise table; Tables[k][b] is the CRC register after byte
// b is followed by k zero bytes, so sixteen bytes are folded in with sixteen
// lookups and no dependency between them.
struct Crc32Tables {
  uint32_t t[16][256];
  constexpr Crc32Tables() : t() {
    for (uint32_t b = 0; b < 256; ++b) {
      uint32_t c = b;
      for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ Polynomial : c >> 1;
      t[0][b] = c;
    }
    for (uint32_t b = 0; b < 256; ++b) {
      for (int k = 1; k < 16; ++k) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFFu];
    }
  }
};

constexpr Crc32Tables Tables;

inline uint32_t LoadLittle32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t length) {
  const auto& t = Tables.t;
  uint32_t c = ~crc;
  while (length >= 16) {
    const uint32_t a = LoadLittle32(data) ^ c;
    const uint32_t b = LoadLittle32(data + 4);
    const uint32_t d = LoadLittle32(data + 8);
    const uint32_t e = LoadLittle32(data + 12);
    c = t[15][a & 0xFFu] ^ t[14][(a >> 8) & 0xFFu] ^ t[13][(a >> 16) & 0xFFu] ^ t[12][a >> 24] ^
        t[11][b & 0xFFu] ^ t[10][(b >> 8) & 0xFFu] ^ t[9][(b >> 16) & 0xFFu] ^ t[8][b >> 24] ^
        t[7][d & 0xFFu] ^ t[6][(d >> 8) & 0xFFu] ^ t[5][(d >> 16) & 0xFFu] ^ t[4][d >> 24] ^
        t[3][e & 0xFFu] ^ t[2][(e >> 8) & 0xFFu] ^ t[1][(e >> 16) & 0xFFu] ^ t[0][e >> 24];
    data += 16;
    length -= 16;
  }
  while (length-- != 0) c = (c >> 8) ^ t[0][(c ^ *data++) & 0xFFu];
  return ~c;
}
