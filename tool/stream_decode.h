// Decoding one raw LZHUF stream held in memory, for the commands that check
// a stream (exar verify) or unpack one (exar lzh decode): what the stream
// yields and how much of itself it takes. One decoder serves every call.
#pragma once

#include <cstdint>
#include <vector>

struct DecodedStream {
  uint32_t produced;  // what the decoder reports as decoded
  uint32_t bytes;     // bytes it handed out (the same for a sound stream)
  uint32_t taken;     // bytes of the stream it read
};

// Decodes compressedSize bytes of stream to uncompressedSize bytes; with out
// not null the bytes are appended to it, otherwise only counted.
DecodedStream DecodeStream(const uint8_t* stream, uint32_t compressedSize,
                           uint32_t uncompressedSize, std::vector<uint8_t>* out);
