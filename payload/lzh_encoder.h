// LzhEncode: compresses data into one LZHUF stream that any conforming decoder (zero-
// filled ring, first write at RingStart) decodes back exactly: matches of MinMatch to
// MaxMatch bytes within the last RingSize bytes, which may reach back into the ring's
// initial zero bytes; the last match ends exactly at the end of the data; the last
// byte is filled with zero bits. The stream is appended to out.
//
// The default parse is optimal under the adaptive code's current prices: block by
// block it takes the cheapest sequence of literals and matches (every match length at
// every position priced with the live model's code lengths and counts plus the
// distance code), looking past each block's end so that no match is cut there.
// Greedy parsing (always the longest match at hand) is kept as the baseline the
// default is measured against; the lazy parse puts a match off by one byte when the
// next position has a longer one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class LzhParse { Optimal, Lazy, Greedy };

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out, LzhParse parse);
