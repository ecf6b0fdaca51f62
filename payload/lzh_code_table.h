// LzhCodeTable: what the decoder keeps beside the code tree to read a symbol's code in
// few steps, and keeps up as the tree changes (it is the tree's shape observer).
//
// - Top: for each value of the next TopBits bits of input, the node that the walk from
//   the root reaches on those bits and how many of them it takes: a leaf (fewer bits,
//   or all of them) or an inner node at depth TopBits. The table holds nodes, not
//   symbols: exchanging two leaves (the usual exchange) changes what they hold but not
//   where codes lead, so the table only changes when an exchange moves an inner node
//   within the top TopBits levels, or when the tree is rebuilt.
// - Grand[2n + b] = Child[Child[n] + b] for every inner node n: the child links of both
//   of n's children, so that two more levels are one load.
// - Place of every node within the top TopBits levels (0 for the others): its depth and
//   code, so where its part of Top starts when a subtree moves, and through Heap its
//   ancestors.
#pragma once

#include <cstdint>

#include "payload/lzh_model.h"

class LzhCodeTable {
 public:
  static constexpr uint32_t TopBits = 7;
  static constexpr uint32_t Untracked = 0xFF;
  // A Top entry: node | bits taken << TopShift.
  static constexpr uint32_t TopShift = 10;
  static constexpr uint32_t TopNodeMask = (1u << TopShift) - 1;

  uint16_t Top[1u << TopBits];
  uint16_t Grand[2 * NodeCount];
  // Place[n]: 0 for a node below the top levels; otherwise n's place in a heap of the
  // top levels (1 for the root, 2p and 2p + 1 for the children of place p). Heap gives
  // the node at each place above the last level, so the ancestors of a node within the
  // top levels are known without climbing: Heap[Place[n] >> 1], >> 2, ... up to 1.
  uint8_t Place[NodeCount];
  uint16_t Heap[1u << TopBits];

  // A node's depth (Untracked below the top levels) and its code, left-aligned in
  // TopBits bits: both follow from its place.
  uint32_t DepthOf(LzhIndex n) const {
    uint32_t depth = 0;
    for (uint32_t place = Place[n]; place > 1; place >>= 1) ++depth;
    return Place[n] == 0 ? Untracked : depth;
  }
  uint32_t PrefixOf(LzhIndex n) const {
    const uint32_t depth = DepthOf(n);
    return depth == Untracked ? 0 : (Place[n] - (1u << depth)) << (TopBits - depth);
  }
  // Exchanges that moved something, counted for the decoder's choice of how to count
  // leaves.
  uint32_t Moves = 0;

  // Everything anew from the tree (after InitTree or RebuildTree).
  void Rebuild(const LzhModel& tree);

  // Hears of an exchange of nodes c and l that has just been made; i and j are the
  // links c and l held before it. Keeps Grand, and Top when a subtree moved near the root.
  LZH_INLINE void Exchanged(const LzhModel& tree, LzhIndex c, LzhIndex l, LzhIndex i,
                            LzhIndex j) {
    Moves += c != l;
    // c and l have new children: their own entries; and the one entry of each parent
    // that leads through them. Child links are even, so the parent's entry for a node
    // is picked by the node's lowest bit. When l is c all of this writes what was there.
    uint32_t atJ;
    uint32_t atI;
    std::memcpy(&atJ, &tree.Child[j], sizeof atJ);  // of no use when j is a leaf
    std::memcpy(&atI, &tree.Child[i], sizeof atI);
    std::memcpy(&Grand[2 * c], &atJ, sizeof atJ);
    std::memcpy(&Grand[2 * l], &atI, sizeof atI);
    Grand[2 * tree.Parent[c] + (c & 1)] = static_cast<uint16_t>(j);
    Grand[2 * tree.Parent[l] + (l & 1)] = static_cast<uint16_t>(i);
    // Codes lead elsewhere only when an inner node moved, and Top only sees it when
    // one of the two places is within its levels.
    if (LZH_UNLIKELY(((i < NodeCount) | (j < NodeCount)) &
                     (AboveLastLevel(c) | AboveLastLevel(l)))) {
      Reshape(tree, static_cast<uint32_t>(c), static_cast<uint32_t>(l));
    }
  }

 private:
  // Whether node n lies within the top levels but above the last of them (places 1 to
  // 2^TopBits - 1), where a moved subtree changes where codes lead.
  bool AboveLastLevel(LzhIndex n) const {
    return static_cast<uint32_t>(Place[n]) - 1u < (1u << TopBits) - 1u;
  }
  // Fills Top, Place and Heap for the subtree of node at the given depth, whose code
  // is prefix (right-aligned, depth bits).
  void Fill(const LzhModel& tree, uint32_t node, uint32_t depth, uint32_t prefix);
  // Gives the subtree of node place 0 (below the top levels), down to the first node
  // that has it already.
  void Forget(const LzhModel& tree, uint32_t node);
  // After c and l changed subtrees: what their old subtrees left behind is forgotten,
  // then each of the two places within the top levels is filled from its new subtree.
  LZH_NOINLINE void Reshape(const LzhModel& tree, uint32_t c, uint32_t l);
};
