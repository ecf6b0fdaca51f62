#include "tests/payload/archive_test_support.h"

#include <gtest/gtest.h>

#include <random>

#include "payload/archive_reader.h"
#include "payload/lzh_decoder.h"

namespace archive_test {

std::filesystem::path FreshTempDir(const std::string& tag) {
  std::random_device random;
  for (;;) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("exar-" + tag + "-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) return dir;
  }
}

std::vector<uint8_t> Pack(const std::vector<MemoryItem>& items) {
  std::vector<uint8_t> archive;
  std::string error;
  EXPECT_TRUE(PackInMemory(items, &archive, &error)) << error;
  return archive;
}

std::vector<MemoryItem> SampleTree() {
  return {
      File("README.TXT", MakeData(700, 0)),
      File("UMBERLAY VALE.UNS", MakeData(90, 3)),
      Dir("DATA"),
      File("DATA\\MAP #1.DAT", MakeData(5000, 1)),
      File("DATA\\EMPTY", {}),
      Dir("SOUND"),
      Dir("DATA\\LEVELS"),
      File("DATA\\LEVELS\\L-01.BIN", MakeData(20000, 2)),
      File("DATA\\LEVELS\\L_02.BIN", MakeData(3000, 4)),
      Dir("SOUND\\FX"),
      File("SOUND\\FX\\HIT.WAV", MakeData(9000, 5)),
      Dir("SOUND\\FX\\OLD"),
  };
}

namespace {
LzhDecoder ReferenceDecoder;
struct BytesIn {
  const uint8_t* p;
  uint32_t operator()() { return *p++; }
};
struct BytesOut {
  std::vector<uint8_t>* out;
  void operator()(uint32_t v) {
    if (v != FlushMarker) out->push_back(static_cast<uint8_t>(v));
  }
};
}  // namespace

std::map<std::string, std::vector<uint8_t>> DecodeAll(const std::vector<uint8_t>& archive,
                                                      std::vector<std::string>* directories) {
  std::map<std::string, std::vector<uint8_t>> files;
  ArchiveReader reader;
  reader.Open(archive.data());
  for (int32_t i = 0; i < reader.EntryCount(); ++i) {
    if (reader.IsDirectory(i)) {
      if (directories != nullptr) directories->push_back(reader.Path(i));
      continue;
    }
    const uint8_t* block = reader.EntryBlock(i);
    uint32_t compressed = ArchiveReader::BlockCompressedSize(block);
    uint32_t uncompressed = ArchiveReader::BlockUncompressedSize(block);
    std::vector<uint8_t>& out = files[reader.Path(i)];
    out.clear();
    BytesIn in{ArchiveReader::BlockStream(block)};
    BytesOut sink{&out};
    ReferenceDecoder.Decode(compressed, uncompressed, in, sink);
  }
  reader.Close();
  return files;
}

}  // namespace archive_test
