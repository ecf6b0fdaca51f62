// FileDecoder: chunks as the engine writes them, and a file given up by its sink.
#include <gtest/gtest.h>

#include <memory>

#include "payload/archive_reader.h"
#include "payload/file_decoder.h"
#include "tests/payload/archive_test_support.h"

using namespace archive_test;

namespace {

// Keeps every chunk; gives the file up at the chunk numbered stopAt (1-based; 0: never).
class KeepingSink : public ChunkSink {
 public:
  uint8_t* Full(uint8_t* chunk) override {
    lengths.push_back(OutputBufferSize);
    bytes.insert(bytes.end(), chunk, chunk + OutputBufferSize);
    if (lengths.size() == stopAt) return nullptr;
    return buffers[lengths.size() % 2];
  }
  void Last(uint8_t* chunk, uint32_t length) override {
    lengths.push_back(length);
    bytes.insert(bytes.end(), chunk, chunk + length);
    ++lasts;
  }
  uint8_t* First() { return buffers[0]; }

  size_t stopAt = 0;
  std::vector<uint32_t> lengths;
  std::vector<uint8_t> bytes;
  int lasts = 0;

 private:
  std::vector<uint8_t> memory = std::vector<uint8_t>(2 * OutputBufferSize);
  uint8_t* buffers[2] = {memory.data(), memory.data() + OutputBufferSize};
};

// The stored block of the archive's only file.
const uint8_t* OnlyBlock(const std::vector<uint8_t>& archive) {
  ArchiveReader reader;
  reader.Open(archive.data());
  return reader.EntryBlock(0);
}

}  // namespace

TEST(FileDecoder, GivenUpFileStopsWithinAStretchAndTheNextFileDecodesWhole) {
  const std::vector<uint8_t> big = MakeData(2000000, 1);
  const std::vector<uint8_t> bigArchive = Pack({File("BIG", big)});
  auto decoder = std::make_unique<FileDecoder>();
  for (size_t stopAt : {1u, 3u}) {
    KeepingSink sink;
    sink.stopAt = stopAt;
    EXPECT_FALSE(decoder->Decode(OnlyBlock(bigArchive), sink.First(), sink)) << stopAt;
    EXPECT_EQ(sink.lasts, 0) << stopAt;
    EXPECT_EQ(sink.lengths.size(), stopAt);
    EXPECT_TRUE(std::equal(sink.bytes.begin(), sink.bytes.end(), big.begin()));
    // The rest of the stream is not decoded: one stretch at most after the refusal.
    EXPECT_LE(decoder->Produced(), stopAt * OutputBufferSize + 1 + LzhDecoder::LeafStretch +
                                       MaxMatch) << stopAt;
  }
  // The same decoder decodes the next file to its end, chunk by chunk.
  const std::vector<uint8_t> next = MakeData(OutputBufferSize + 1, 0);
  const std::vector<uint8_t> nextArchive = Pack({File("NEXT", next)});
  KeepingSink sink;
  EXPECT_TRUE(decoder->Decode(OnlyBlock(nextArchive), sink.First(), sink));
  EXPECT_EQ(sink.lengths, (std::vector<uint32_t>{OutputBufferSize, 1}));
  EXPECT_EQ(sink.bytes, next);
  EXPECT_EQ(decoder->Produced(), next.size());
}
