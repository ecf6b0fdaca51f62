// File sizes for the demo tree, chosen so that the extraction engine's
// figures hold for the packed product:
//   - the files decode to exactly TargetTotalBytes;
//   - they take exactly TargetWrites writes through the engine's 128 KiB
//     output buffer (a file of n bytes takes ceil(n / 131072) writes, an
//     empty file one);
//   - the engine's progress percentage (ExtractionPercent) first reaches 95
//     during the last file, with LastFileTail bytes to come;
//   - every size lies in [SmallestFile, LargestFile].
// Fixed sizes and the sizes of the built inputs are taken as they are; the
// free files start from their nominal sizes and are scaled and trimmed
// until the totals hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/extract_engine.h"
#include "tree_layout.h"

namespace demo {

inline constexpr uint32_t WriteChunk = OutputBufferSize;  // the engine's writes
inline constexpr uint64_t TargetTotalBytes = 90051155;
inline constexpr uint32_t TargetWrites = 898;
inline constexpr uint32_t SmallestFile = 140;
inline constexpr uint32_t LargestFile = 18870196;
inline constexpr uint32_t LastFileTail = 62228;

// Writes the engine makes for a file of n bytes.
inline uint32_t WriteCount(uint64_t n) {
  return n == 0 ? 1 : static_cast<uint32_t>((n + WriteChunk - 1) / WriteChunk);
}

// The engine's figures for files of the given sizes, in entry order.
struct EngineFigures {
  uint64_t totalBytes = 0;
  uint32_t writes = 0;
  int32_t topPercent = 0;        // the highest percentage reported
  int64_t fileAtTop = -1;        // index (among the sizes) of the file being written then
  uint64_t bytesAfterTop = 0;    // bytes of that file written after the top was reached
};
EngineFigures SimulateEngine(const std::vector<uint64_t>& sizesInEntryOrder);

// Sizes of the files taken from the build, as they stand in the tree:
// Vale.exe, config.exe, Sweeper.exe, ReadMe.txt, and VALE.INI (the settings
// input with SettingsHeader before it).
struct InputSizes {
  uint64_t vale = 0, config = 0, sweeper = 0, readme = 0, settings = 0;
};

// Chooses the size of every entry (0 for directories), in layout order.
// Returns false with a reason when the inputs leave no room for the totals.
bool PlanSizes(const std::vector<Entry>& layout, const InputSizes& inputs,
               std::vector<uint64_t>* sizes, std::string* problem);

}  // namespace demo
