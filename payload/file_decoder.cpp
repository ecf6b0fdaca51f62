#include "payload/file_decoder.h"

#include "payload/archive_reader.h"
#include "payload/crc32.h"

namespace {

struct StreamInput {
  const uint8_t* next;
  uint32_t operator()() { return *next++; }
};

}  // namespace

// The decoder's output: every byte goes into the buffer; only a byte that finds it
// full, and the end of the file, reach the sink. Plain data, so that the decoder keeps
// it in its own frame (see LzhDecoder::StretchCopy).
struct FileDecoder::Output {
  uint8_t* buffer;
  uint32_t fill;
  bool givenUp;
  FileDecoder* owner;
  ChunkSink* sink;

  void operator()(uint32_t value) {
    if (value == FlushMarker) {
      if (!givenUp) {
        owner->Hand(buffer, fill);
        sink->Last(buffer, fill);
      }
      return;
    }
    if (fill < OutputBufferSize) {
      buffer[fill++] = static_cast<uint8_t>(value);
      return;
    }
    NextBuffer();
    buffer[0] = static_cast<uint8_t>(value);
    fill = 1;
  }

  // Out of line: once per buffer.
  LZH_NOINLINE void NextBuffer() {
    if (!givenUp) {
      owner->Hand(buffer, OutputBufferSize);
      uint8_t* next = sink->Full(buffer);
      if (next != nullptr) {
        buffer = next;
        return;
      }
      givenUp = true;
      owner->decoder_.Stop();
    }
    buffer = owner->dropped_;
  }
};

bool FileDecoder::Decode(const uint8_t* block, uint8_t* first, ChunkSink& sink) {
  uint32_t compressed = ArchiveReader::BlockCompressedSize(block);
  uint32_t uncompressed = ArchiveReader::BlockUncompressedSize(block);
  StreamInput input{ArchiveReader::BlockStream(block)};
  Output output{first, 0, false, this, &sink};
  handedCrc_ = 0;
  handedBytes_ = 0;
  produced_ = decoder_.Decode(compressed, uncompressed, input, output);
  return !output.givenUp;
}

void FileDecoder::Hand(const uint8_t* chunk, uint32_t length) {
  handedCrc_ = Crc32Update(handedCrc_, chunk, length);
  handedBytes_ += length;
}
