// CRC-32 of a file's bytes, the usual one (as in zlib and PNG: polynomial
// 0xEDB88320 reflected, initial value and final XOR all ones), computed a
// piece at a time: Crc32Update(Crc32Update(0, a), b) equals the CRC of a
// followed by b, and the CRC of no bytes is 0.
//
// Sixteen bytes per step through sixteen tables (16 KiB, built at compile time),
// so the check costs little next to the decoding it follows.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t length);

inline uint32_t Crc32(const uint8_t* data, size_t length) { return Crc32Update(0, data, length); }
