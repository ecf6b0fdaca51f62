// LzhEncode: compresses data into one LZHUF stream that any conforming decoder (zero-
// filled ring, first write at RingStart) decodes back exactly: matches of MinMatch to
// MaxMatch bytes within the last RingSize bytes, which may reach back into the ring's
// initial zero bytes; the last match ends exactly at the end of the data; the last
// byte is filled with zero bits. The stream is appended to out.
//
// The default parse is lazy: a match is put off by one byte when the next position has
// a longer one. Greedy parsing (always the longest match at hand) is kept as the
// baseline that the lazy parse is measured against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class LzhParse { Lazy, Greedy };

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, LzhParse parse);
