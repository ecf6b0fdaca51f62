// Differential round trip: arbitrary data (the first byte picks the parse and a length
// of repetition to make matches likely) is encoded, then decoded by the product's
// decoder and by the plain reference decoder; both must give the data back exactly,
// ending exactly at its end.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "payload/lzh_decoder.h"
#include "payload/lzh_encoder.h"
#include "tests/support/reference_decoder.h"

namespace {

template <typename Decoder>
void ExpectDecodes(Decoder& decoder, const std::vector<uint8_t>& stream,
                   const std::vector<uint8_t>& data) {
  std::vector<uint8_t> got;
  uint32_t flushes = 0;
  size_t next = 0;
  auto input = [&]() -> uint32_t {
    if (next >= stream.size()) std::abort();
    return stream[next++];
  };
  auto output = [&](uint32_t v) {
    if (v == FlushMarker) {
      ++flushes;
    } else {
      got.push_back(static_cast<uint8_t>(v));
    }
  };
  uint32_t c = static_cast<uint32_t>(stream.size());
  uint32_t u = static_cast<uint32_t>(data.size());
  const uint32_t result = decoder.Decode(c, u, input, output);
  if (flushes != 1 || result != data.size() || got != data) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static auto decoder = std::make_unique<LzhDecoder>();
  static auto reference = std::make_unique<ReferenceDecoder>();
  if (size == 0) return 0;
  const uint8_t mode = bytes[0];
  std::vector<uint8_t> data(bytes + 1, bytes + size);
  // Some inputs are repeated to reach far distances, long runs and tree rebuilds.
  const uint32_t repeat = mode >> 4;
  if (repeat > 1 && !data.empty()) {
    const size_t one = data.size();
    for (uint32_t k = 1; k < repeat * repeat * 8 && data.size() < (1u << 20); ++k)
      data.insert(data.end(), data.begin(), data.begin() + static_cast<long>(one));
  }
  std::vector<uint8_t> stream;
  const LzhParse parse =
      (mode & 1) ? LzhParse::Greedy : (mode & 2) ? LzhParse::Lazy : LzhParse::Optimal;
  LzhEncode(data.data(), data.size(), stream, parse);
  ExpectDecodes(*decoder, stream, data);
  ExpectDecodes(*reference, stream, data);
  return 0;
}
