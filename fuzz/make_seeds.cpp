// Writes the seed inputs of the codec harnesses into DIR/fuzz_lzh_decoder and
// DIR/fuzz_lzh_roundtrip: small texts, binaries, runs and zeros, as data and as streams.
#include <cstdio>
#include <string>
#include <vector>

#include "payload/lzh_encoder.h"
#include "tests/support/random.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::vector<uint8_t>> Samples() {
  std::vector<std::vector<uint8_t>> s;
  const std::string text =
      "The river ran through the vale of Umber and the lantern keeper walked the old "
      "road north; the river ran on and the keeper walked on.\r\n";
  s.emplace_back(text.begin(), text.end());
  s.emplace_back(200, 0);                       // zeros: matches into the initial ring
  s.emplace_back(130, 'a');                     // one long run
  std::vector<uint8_t> binary;
  for (uint32_t i = 0; i < 300; ++i) {
    binary.push_back(static_cast<uint8_t>(i));
    binary.push_back(static_cast<uint8_t>(i * 37 >> 3));
    if (i % 17 == 0) binary.insert(binary.end(), {0x4D, 0x5A, 0x90, 0x00});
  }
  s.push_back(binary);
  std::vector<uint8_t> noise;
  test_support::Rng rng(12345);
  for (int i = 0; i < 400; ++i) noise.push_back(rng.Byte());
  s.push_back(noise);
  s.push_back({7});
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  int n = 0;
  bool ok = true;
  for (const auto& sample : Samples()) {
    std::vector<uint8_t> stream;
    LzhEncode(sample.data(), sample.size(), stream);
    // Decoder input: 2-byte length, flags 0x3F (the low 10 bits of the length, no
    // cut), the stream.
    std::vector<uint8_t> dec = {static_cast<uint8_t>(sample.size()),
                                static_cast<uint8_t>(sample.size() >> 8), 0x3F};
    dec.insert(dec.end(), stream.begin(), stream.end());
    ok &= WriteFile(dir + "/fuzz_lzh_decoder/seed" + std::to_string(n), dec);
    // Round-trip input: a mode byte (lazy parse, a few repetitions), the data.
    std::vector<uint8_t> trip = {static_cast<uint8_t>(n % 2 == 0 ? 0x20 : 0x01)};
    trip.insert(trip.end(), sample.begin(), sample.end());
    ok &= WriteFile(dir + "/fuzz_lzh_roundtrip/seed" + std::to_string(n), trip);
    ++n;
  }
  return ok ? 0 : 1;
}
