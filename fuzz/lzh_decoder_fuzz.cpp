// The decoder alone on arbitrary streams and sizes. Input: a 2-byte uncompressed
// length; a flag byte (bits 0-5 below 50: that many bytes are cut from the stream's
// end, so that it runs out into zero bits early; bits 6 and 7 scale the length: none
// set keeps its low 10 bits, bit 6 alone the low 12, bit 7 alone all 16, both set
// count it in units of 4 bytes, so that output stays below 256 KiB + one match; half
// of the runs stay short and fast, the others reach the tree's rebuilds); then the
// stream.
// The decoder must call FlushMarker last and once, never take more than the compressed
// length, produce from the length to 59 bytes more, and agree byte for byte with the
// plain reference decoder.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "payload/lzh_decoder.h"
#include "tests/support/reference_decoder.h"

namespace {

struct Collect {
  std::vector<uint8_t> bytes;
  uint32_t flushes = 0;
  void operator()(uint32_t v) {
    if (flushes != 0) std::abort();  // nothing after the flush
    if (v == FlushMarker) {
      ++flushes;
      return;
    }
    if (v > 255) std::abort();
    bytes.push_back(static_cast<uint8_t>(v));
  }
};

struct Feed {
  const uint8_t* data;
  uint32_t size;
  uint32_t taken = 0;
  uint32_t operator()() {
    if (taken >= size) std::abort();  // read past the compressed length
    return data[taken++] | 0x3C00u;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto decoder = std::make_unique<LzhDecoder>();
  static auto reference = std::make_unique<ReferenceDecoder>();
  FuzzInput in{data, size};
  uint32_t wanted = in.Take(2);
  const uint32_t flags = in.Take(1);
  if ((flags & 0xC0) == 0) wanted &= 0x3FF;
  if ((flags & 0xC0) == 0x40) wanted &= 0xFFF;
  if ((flags & 0xC0) == 0xC0) wanted <<= 2;
  const uint32_t cut = flags & 0x3F;
  uint32_t compressed = static_cast<uint32_t>(in.size);
  if (cut < 50 && compressed > cut) compressed -= cut;

  Collect fast;
  fast.bytes.reserve(wanted + MaxMatch);
  Feed fastInput{in.data, compressed};
  uint32_t c = compressed;
  uint32_t u = wanted;
  const uint32_t result = decoder->Decode(c, u, fastInput, fast);
  if (fast.flushes != 1 || result != fast.bytes.size() || u != result) std::abort();
  if (result < wanted || result > wanted + MaxMatch - 1) std::abort();

  Collect slow;
  slow.bytes.reserve(wanted + MaxMatch);
  Feed slowInput{in.data, compressed};
  c = compressed;
  u = wanted;
  reference->Decode(c, u, slowInput, slow);
  if (slow.bytes != fast.bytes) std::abort();
  return 0;
}
