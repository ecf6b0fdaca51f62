// Synthesized file contents for the demo tree. Each kind imitates what a
// game ships (text and scripts, tables, meshes, PCM audio, textures, raw
// video, already-compressed streams), with realistic redundancy, so that an
// archive of the tree compresses like a real product. Integer arithmetic
// only: the same kind, seed and size give the same bytes everywhere.
#pragma once

#include <cstdint>
#include <vector>

#include "tree_layout.h"

namespace demo {

// Fills `out` with exactly `size` bytes of the given kind. The kinds whose
// bytes come from elsewhere (Program, ReadMe, Settings, VersionNote,
// ListFile) give `size` zero bytes: the caller supplies those files.
void Synthesize(Kind kind, uint64_t seed, uint32_t size, std::vector<uint8_t>& out);

}  // namespace demo
