#include "tool/stream_decode.h"

#include "payload/lzh_decoder.h"

namespace {

struct MemoryInput {
  const uint8_t* stream;
  uint32_t taken;
  uint32_t operator()() { return stream[taken++]; }
};

struct MemoryOutput {
  std::vector<uint8_t>* out;
  uint32_t bytes;
  void operator()(uint32_t value) {
    if (value == FlushMarker) return;
    ++bytes;
    if (out != nullptr) out->push_back(static_cast<uint8_t>(value));
  }
};

}  // namespace

StreamDecoder::StreamDecoder() : decoder_(new LzhDecoder) {}
StreamDecoder::~StreamDecoder() = default;

DecodedStream StreamDecoder::Decode(const uint8_t* stream, uint32_t compressedSize,
                                    uint32_t uncompressedSize, std::vector<uint8_t>* out) {
  MemoryInput input{stream, 0};
  MemoryOutput output{out, 0};
  if (out != nullptr) out->reserve(out->size() + uncompressedSize);
  const uint32_t produced = decoder_->Decode(compressedSize, uncompressedSize, input, output);
  return DecodedStream{produced, output.bytes, input.taken};
}

DecodedStream DecodeStream(const uint8_t* stream, uint32_t compressedSize,
                           uint32_t uncompressedSize, std::vector<uint8_t>* out) {
  static StreamDecoder shared;
  return shared.Decode(stream, compressedSize, uncompressedSize, out);
}
