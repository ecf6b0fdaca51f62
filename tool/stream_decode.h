// Decoding one raw LZHUF stream held in memory, for the commands that check
// a stream (exar verify) or unpack one (exar lzh decode): what the stream
// yields and how much of itself it takes. A StreamDecoder holds one decoder's
// state and decodes one stream at a time, so threads that decode side by side
// need one each; DecodeStream goes through one that the process shares.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class LzhDecoder;

struct DecodedStream {
  uint32_t produced;  // what the decoder reports as decoded
  uint32_t bytes;     // bytes it handed out (the same for a sound stream)
  uint32_t taken;     // bytes of the stream it read
  uint32_t crc;       // CRC-32 of the bytes it handed out
  bool trailingBitsClear;  // the bits after the last symbol are 0 (LzhDecoder)
};

class StreamDecoder {
 public:
  StreamDecoder();
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // Decodes compressedSize bytes of stream to uncompressedSize bytes; with out
  // not null the bytes are appended to it, otherwise only counted.
  DecodedStream Decode(const uint8_t* stream, uint32_t compressedSize,
                       uint32_t uncompressedSize, std::vector<uint8_t>* out);

 private:
  std::unique_ptr<LzhDecoder> decoder_;
  // Where bytes that are only counted wait for their CRC, a chunk at a time.
  std::unique_ptr<uint8_t[]> chunk_;
};

// The same through the process's shared decoder, for one thread.
DecodedStream DecodeStream(const uint8_t* stream, uint32_t compressedSize,
                           uint32_t uncompressedSize, std::vector<uint8_t>* out);
