// FileDecoder: decodes one file's stored block into chunks of at most OutputBufferSize
// bytes, by the one rule after which the engine writes a file: a full buffer is handed
// on when the next byte arrives and finds it full (not when it fills), and the file's
// last chunk once at its end, also when it holds 0 bytes. A file of exactly 131,072
// bytes is one chunk, one of 131,073 bytes two (131,072 and 1), an empty file one of 0.
//
// A ChunkSink supplies the buffers. Full receives a full chunk and returns the buffer to
// fill next, or null to give the file up: its decoding then ends within one stretch of
// the decoder, the bytes produced meanwhile are dropped, and Last is not called. The
// sink owns the buffers; the decoder writes only into the one it was last given.
//
// While it decodes, the decoder keeps the CRC-32 and the count of the bytes it has
// handed on, updated just before each chunk reaches the sink (the chunk is still in
// the cache then): inside Last they describe the whole file.
//
// One object decodes one file at a time on one thread, with a decoder of its own; it
// is large (the decoder's state and a buffer for dropped bytes), so keep it on the heap.
#pragma once

#include <cstdint>

#include "payload/lzh_decoder.h"

constexpr uint32_t OutputBufferSize = 0x20000;  // 131,072 bytes

class ChunkSink {
 public:
  // chunk holds OutputBufferSize bytes. Returns the next buffer, or null to stop.
  virtual uint8_t* Full(uint8_t* chunk) = 0;
  // The file's last chunk, 0 to OutputBufferSize bytes.
  virtual void Last(uint8_t* chunk, uint32_t length) = 0;

 protected:
  ~ChunkSink() = default;
};

class FileDecoder {
 public:
  // Decodes the stored block, filling `first` first. True when the file was decoded to
  // its end (Last was called), false when the sink gave it up.
  bool Decode(const uint8_t* block, uint8_t* first, ChunkSink& sink);
  // Bytes the last Decode produced, dropped ones included.
  uint32_t Produced() const { return produced_; }
  // CRC-32 and count of the bytes handed to the sink so far in this file.
  uint32_t HandedCrc() const { return handedCrc_; }
  uint64_t HandedBytes() const { return handedBytes_; }

 private:
  struct Output;
  void Hand(const uint8_t* chunk, uint32_t length);
  LzhDecoder decoder_;
  uint32_t produced_ = 0;
  uint32_t handedCrc_ = 0;
  uint64_t handedBytes_ = 0;
  // Where the bytes of a file given up go until its stretch ends.
  uint8_t dropped_[OutputBufferSize];
};
