#include "payload/lzh_code_table.h"

#include <cstring>
#include <initializer_list>

void LzhCodeTable::Rebuild(const LzhModel& tree) {
  for (uint32_t n = 0; n < NodeCount; ++n) {
    const uint32_t c = tree.Child[n];
    if (c >= NodeCount) continue;
    Grand[2 * n] = tree.Child[c];
    Grand[2 * n + 1] = tree.Child[c + 1];
  }
  std::memset(Place, 0, sizeof Place);
  Fill(tree, RootNode, 0, 0);
}

void LzhCodeTable::Fill(const LzhModel& tree, uint32_t node, uint32_t depth,
                        uint32_t prefix) {
  // Depth first, at most TopBits levels deep.
  const uint32_t place = (1u << depth) | prefix;
  Place[node] = static_cast<uint8_t>(place);
  if (depth < TopBits) Heap[place] = static_cast<uint16_t>(node);
  const uint32_t child = tree.Child[node];
  if (depth == TopBits || child >= NodeCount) {
    const uint16_t entry = static_cast<uint16_t>(node | (depth << TopShift));
    const uint32_t first = prefix << (TopBits - depth);
    const uint32_t span = 1u << (TopBits - depth);
    for (uint32_t x = 0; x < span; ++x) Top[first + x] = entry;
    return;
  }
  Fill(tree, child, depth + 1, prefix * 2);
  Fill(tree, child + 1, depth + 1, prefix * 2 + 1);
}

void LzhCodeTable::Forget(const LzhModel& tree, uint32_t node) {
  if (Place[node] == 0) return;
  Place[node] = 0;
  const uint32_t child = tree.Child[node];
  if (child < NodeCount) {
    Forget(tree, child);
    Forget(tree, child + 1);
  }
}

void LzhCodeTable::Reshape(const LzhModel& tree, uint32_t c, uint32_t l) {
  // The nodes of both moved subtrees still carry their old places; those that are still
  // within the top levels get theirs again from Fill.
  for (const uint32_t x : {c, l}) {
    const uint32_t child = tree.Child[x];
    if (child < NodeCount) {
      Forget(tree, child);
      Forget(tree, child + 1);
    }
  }
  for (const uint32_t x : {c, l}) {
    if (!AboveLastLevel(x)) continue;
    const uint32_t depth = DepthOf(x);
    Fill(tree, x, depth, Place[x] - (1u << depth));
  }
}
