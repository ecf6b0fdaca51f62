// A deterministic mixed corpus for the codec benchmarks: files of several kinds of data
// that a game's payload holds (text and markup, PCM audio and tables, random and
// already-compressed data, sparse data), each kind split into files of varied sizes as
// an archive would hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CorpusKind {
  std::string name;
  std::vector<std::vector<uint8_t>> files;
  size_t Bytes() const;
};

// The kinds in a fixed order, about totalBytes in all (the default is about 94 MB).
std::vector<CorpusKind> MakeCorpus(size_t totalBytes = 94u * 1000u * 1000u);
