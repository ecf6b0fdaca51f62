#include "size_plan.h"

#include <algorithm>

#include "rng.h"

namespace demo {

EngineFigures SimulateEngine(const std::vector<uint64_t>& sizes) {
  EngineFigures f;
  for (size_t i = 0; i < sizes.size(); ++i) {
    uint64_t left = sizes[i];
    do {
      const uint64_t chunk = std::min<uint64_t>(left, WriteChunk);
      left -= chunk;
      f.totalBytes += chunk;
      ++f.writes;
      const int32_t percent = ExtractionPercent(f.totalBytes);
      if (percent > f.topPercent) {
        f.topPercent = percent;
        f.fileAtTop = static_cast<int64_t>(i);
        f.bytesAfterTop = left;
      }
    } while (left > 0);
  }
  return f;
}

namespace {

uint64_t InputSize(const Entry& e, const InputSizes& in) {
  switch (e.input) {
    case Input::Vale: return in.vale;
    case Input::Config: return in.config;
    case Input::Sweeper: return in.sweeper;
    case Input::ReadMe: return in.readme;
    case Input::Settings: return in.settings;
    case Input::None: break;
  }
  return 0;
}

// Moves `amount` bytes into (grow) or out of the files, each within
// [low, high], spread in proportion to each file's room. Returns false when
// the room is too small.
bool Spread(std::vector<uint64_t>& s, const std::vector<uint64_t>& low,
            const std::vector<uint64_t>& high, uint64_t amount, bool grow) {
  if (amount == 0) return true;
  const size_t n = s.size();
  std::vector<uint64_t> room(n);
  uint64_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    room[i] = grow ? high[i] - s[i] : s[i] - low[i];
    total += room[i];
  }
  if (total < amount) return false;
  uint64_t moved = 0;
  for (size_t i = 0; i < n; ++i) {
    // amount * room fits in 64 bits: both stay below 2^32.
    const uint64_t share = amount * room[i] / total;
    s[i] = grow ? s[i] + share : s[i] - share;
    room[i] -= share;
    moved += share;
  }
  for (size_t i = 0; moved < amount; i = (i + 1) % n) {
    if (room[i] == 0) continue;
    s[i] = grow ? s[i] + 1 : s[i] - 1;
    --room[i];
    ++moved;
  }
  return true;
}

}  // namespace

bool PlanSizes(const std::vector<Entry>& layout, const InputSizes& inputs,
               std::vector<uint64_t>* sizesOut, std::string* problem) {
  std::vector<uint64_t> sizes(layout.size(), 0);
  std::vector<size_t> freeIndex;
  uint64_t fixedBytes = 0;
  uint64_t fixedWrites = 0;
  uint64_t nominalTotal = 0;
  for (size_t i = 0; i < layout.size(); ++i) {
    const Entry& e = layout[i];
    if (e.directory) continue;
    if (e.rule == SizeRule::Free) {
      freeIndex.push_back(i);
      nominalTotal += e.size;
      continue;
    }
    const uint64_t size = e.rule == SizeRule::Fixed ? e.size : InputSize(e, inputs);
    if (size < SmallestFile || size > LargestFile) {
      *problem = e.path + ": " + std::to_string(size) + " bytes, outside " +
                 std::to_string(SmallestFile) + ".." + std::to_string(LargestFile);
      return false;
    }
    sizes[i] = size;
    fixedBytes += size;
    fixedWrites += WriteCount(size);
  }
  if (freeIndex.empty() || nominalTotal == 0 || fixedBytes >= TargetTotalBytes ||
      fixedWrites + freeIndex.size() > TargetWrites) {
    *problem = "the fixed files and inputs (" + std::to_string(fixedBytes) + " bytes, " +
               std::to_string(fixedWrites) + " writes) leave no room for the others";
    return false;
  }
  const uint64_t freeBytes = TargetTotalBytes - fixedBytes;
  const uint64_t freeWrites = TargetWrites - fixedWrites;
  const size_t n = freeIndex.size();

  // 1. Scale the nominal sizes to the bytes left.
  std::vector<uint64_t> s(n);
  for (size_t k = 0; k < n; ++k) {
    const uint64_t nominal = layout[freeIndex[k]].size;
    s[k] = std::clamp<uint64_t>(nominal * freeBytes / nominalTotal, SmallestFile,
                                LargestFile - 1);
  }

  // 2. Settle each file's number of writes so that they add up: drop a write
  // from the file whose last write is the smallest, or add one to the file
  // whose last write is the fullest.
  std::vector<uint64_t> chunks(n);
  uint64_t writes = 0;
  for (size_t k = 0; k < n; ++k) writes += chunks[k] = WriteCount(s[k]);
  auto lastWrite = [&](size_t k) { return s[k] - (chunks[k] - 1) * WriteChunk; };
  while (writes != freeWrites) {
    size_t best = n;
    for (size_t k = 0; k < n; ++k) {
      if (writes > freeWrites) {
        if (chunks[k] < 2) continue;
        if (best == n || lastWrite(k) < lastWrite(best)) best = k;
      } else {
        if ((chunks[k] + 1) * WriteChunk > LargestFile - 1) continue;
        if (best == n || lastWrite(k) > lastWrite(best)) best = k;
      }
    }
    if (best == n) {
      *problem = "cannot reach " + std::to_string(TargetWrites) + " writes";
      return false;
    }
    // The file lands somewhere inside its new last write (drawn from its
    // path), not on the boundary, so that step 3 has room both ways.
    const uint64_t offset = HashText(layout[freeIndex[best]].path) % (WriteChunk / 2);
    if (writes > freeWrites) {
      --chunks[best];
      --writes;
      s[best] = chunks[best] * WriteChunk - offset;
    } else {
      ++chunks[best];
      ++writes;
      s[best] = (chunks[best] - 1) * WriteChunk + 1 + offset;
    }
  }

  // 3. Within those write counts, move bytes until the total holds.
  std::vector<uint64_t> low(n), high(n);
  uint64_t sum = 0;
  for (size_t k = 0; k < n; ++k) {
    low[k] = chunks[k] == 1 ? SmallestFile : (chunks[k] - 1) * WriteChunk + 1;
    high[k] = std::min<uint64_t>(chunks[k] * WriteChunk, LargestFile - 1);
    s[k] = std::clamp(s[k], low[k], high[k]);
    sum += s[k];
  }
  const bool grow = sum < freeBytes;
  if (!Spread(s, low, high, grow ? freeBytes - sum : sum - freeBytes, grow)) {
    *problem = "the other files cannot hold " + std::to_string(freeBytes) + " bytes in " +
               std::to_string(freeWrites) + " writes";
    return false;
  }
  for (size_t k = 0; k < n; ++k) sizes[freeIndex[k]] = s[k];

  // The last file's tail only lands where it should if the totals hold.
  std::vector<uint64_t> fileSizes;
  for (size_t i = 0; i < layout.size(); ++i) {
    if (!layout[i].directory) fileSizes.push_back(sizes[i]);
  }
  const EngineFigures f = SimulateEngine(fileSizes);
  if (f.totalBytes != TargetTotalBytes || f.writes != TargetWrites || f.topPercent != 95 ||
      f.fileAtTop + 1 != static_cast<int64_t>(fileSizes.size()) ||
      f.bytesAfterTop != LastFileTail) {
    *problem = "planned sizes miss the engine's figures";
    return false;
  }
  *sizesOut = std::move(sizes);
  return true;
}

}  // namespace demo
