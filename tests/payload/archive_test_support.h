// Helpers for the archive and engine tests: deterministic file contents,
// archives packed in memory, and a target that records every call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "payload/archive_writer.h"
#include "payload/extract_target.h"
#include "tests/support/random.h"

namespace archive_test {

// Deterministic bytes of a few kinds, so that streams hold literals and matches.
inline std::vector<uint8_t> MakeData(size_t size, uint32_t seed) {
  static const char Text[] = "the quick brown fox ";
  std::vector<uint8_t> data(size);
  test_support::Rng rng(seed);
  for (size_t i = 0; i < size; ++i) {
    switch (seed % 3) {
      case 0: data[i] = static_cast<uint8_t>(Text[(i + rng.Below(16)) % 20]); break;
      case 1: data[i] = rng.Byte(); break;
      default: data[i] = static_cast<uint8_t>((i / 100) & 0x0F); break;
    }
  }
  return data;
}

inline MemoryItem Dir(const std::string& path) { return MemoryItem{path, true, {}}; }
inline MemoryItem File(const std::string& path, std::vector<uint8_t> data) {
  return MemoryItem{path, false, std::move(data)};
}

// A new empty directory below the system's temporary directory.
std::filesystem::path FreshTempDir(const std::string& tag);

// Packs items; fails the calling test (through the returned empty vector) on error.
std::vector<uint8_t> Pack(const std::vector<MemoryItem>& items);

// A small tree with several levels, empty and non-empty files.
std::vector<MemoryItem> SampleTree();

// Records every call, keeps written files in memory, and can be told to fail.
class RecordingTarget : public ExtractTarget {
 public:
  struct Call {
    char kind;  // 'D' directory, 'O' open, 'W' write, 'C' close, 'L' line, 'R' repaint, 'P' progress
    std::string path;  // D, O, L (the line's text)
    uint32_t value;    // W: length, P: percent
  };

  void CreateDirectory(const char* path) override {
    calls.push_back({'D', path, 0});
    directories.push_back(path);
  }
  bool OpenFile(const char* path) override {
    calls.push_back({'O', path, 0});
    current = path;
    if (failOpen.count(current) != 0) return false;
    files[current].clear();
    return true;
  }
  bool Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
    calls.push_back({'W', current, length});
    ++writeNumber;
    if (writeNumber == failWriteNumber) {
      *written = 0;
      return false;
    }
    files[current].insert(files[current].end(), data, data + length);
    *written = length;
    return true;
  }
  void CloseFile() override { calls.push_back({'C', current, 0}); }
  void InstallListLine(const char* line, uint32_t length) override {
    calls.push_back({'L', std::string(line, length), length});
  }
  void Repaint() override { calls.push_back({'R', "", 0}); }
  void Progress(int32_t percent) override {
    calls.push_back({'P', "", static_cast<uint32_t>(percent)});
  }

  std::vector<uint32_t> WritesOf(const std::string& path) const {
    std::vector<uint32_t> lengths;
    for (const Call& c : calls) {
      if (c.kind == 'W' && c.path == path) lengths.push_back(c.value);
    }
    return lengths;
  }
  size_t Count(char kind) const {
    size_t n = 0;
    for (const Call& c : calls) n += c.kind == kind;
    return n;
  }

  std::vector<Call> calls;
  std::vector<std::string> directories;
  std::map<std::string, std::vector<uint8_t>> files;
  std::map<std::string, int> failOpen;
  uint32_t failWriteNumber = 0;  // 1-based number of the write that fails; 0: none
  uint32_t writeNumber = 0;
  std::string current;
};

// What the archive's entries decode to, read with the reader and the decoder
// directly (not through the engine): path -> bytes for files, "" for directories.
std::map<std::string, std::vector<uint8_t>> DecodeAll(const std::vector<uint8_t>& archive,
                                                      std::vector<std::string>* directories);

}  // namespace archive_test
