#include "tool/stream_decode.h"

#include "payload/crc32.h"
#include "payload/lzh_decoder.h"

namespace {

struct MemoryInput {
  const uint8_t* stream;
  uint32_t taken;
  uint32_t operator()() { return stream[taken++]; }
};

constexpr uint32_t ChunkSize = 0x10000;

// Bytes go to out when there is one; otherwise through a chunk whose CRC is taken
// when it is full and at the end.
struct MemoryOutput {
  std::vector<uint8_t>* out;
  uint8_t* chunk;
  uint32_t fill;
  uint32_t bytes;
  uint32_t crc;
  void operator()(uint32_t value) {
    if (value == FlushMarker) {
      crc = Crc32Update(crc, chunk, fill);
      fill = 0;
      return;
    }
    ++bytes;
    if (out != nullptr) {
      out->push_back(static_cast<uint8_t>(value));
      return;
    }
    if (fill == ChunkSize) {
      crc = Crc32Update(crc, chunk, fill);
      fill = 0;
    }
    chunk[fill++] = static_cast<uint8_t>(value);
  }
};

}  // namespace

StreamDecoder::StreamDecoder() : decoder_(new LzhDecoder), chunk_(new uint8_t[ChunkSize]) {}
StreamDecoder::~StreamDecoder() = default;

DecodedStream StreamDecoder::Decode(const uint8_t* stream, uint32_t compressedSize,
                                    uint32_t uncompressedSize, std::vector<uint8_t>* out) {
  MemoryInput input{stream, 0};
  MemoryOutput output{out, chunk_.get(), 0, 0, 0};
  const size_t start = out != nullptr ? out->size() : 0;
  if (out != nullptr) out->reserve(out->size() + uncompressedSize);
  const uint32_t produced = decoder_->Decode(compressedSize, uncompressedSize, input, output);
  if (out != nullptr) output.crc = Crc32(out->data() + start, out->size() - start);
  return DecodedStream{produced, output.bytes, input.taken, output.crc,
                       decoder_->TrailingBitsClear()};
}

DecodedStream DecodeStream(const uint8_t* stream, uint32_t compressedSize,
                           uint32_t uncompressedSize, std::vector<uint8_t>* out) {
  static StreamDecoder shared;
  return shared.Decode(stream, compressedSize, uncompressedSize, out);
}
