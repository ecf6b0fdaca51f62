// LzhEncode: compresses data into one LZHUF stream that any conforming decoder (zero-
// filled ring, first write at RingStart) decodes back exactly: matches of MinMatch to
// MaxMatch bytes within the last RingSize bytes, which may reach back into the ring's
// initial zero bytes; the last match ends exactly at the end of the data; the last
// byte is filled with zero bits. The stream is appended to out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

void LzhEncode(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
