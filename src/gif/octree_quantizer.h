// Octree colour quantisation: builds an optimised palette of at most 2^n colours.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/canvas.h"

namespace morvane::gif {

// The gathered pixels of one node of the colour octree. Nodes live in the quantiser's pool and
// refer to each other by pool index, so a whole tree costs one growing allocation instead of
// one per node. Counts and sums are 64-bit: a leaf that gathers millions of pixels of one
// colour keeps its true average.
struct OctreeNode {
  static constexpr std::int32_t kNone = -1;

  std::uint64_t pixel_count = 0;
  std::uint64_t red_sum = 0;
  std::uint64_t green_sum = 0;
  std::uint64_t blue_sum = 0;
};

// The children of a node, kept apart from its sums: the walk down the tree reads 16 bytes per
// level, and the links of a whole tree stay in the first-level cache. A leaf is marked in its
// first child slot (leaves have no children). The next node of the same level's list of
// reducible nodes is kept apart as well.
struct OctreeLinks {
  static constexpr std::int16_t kNone = -1;
  static constexpr std::int16_t kLeaf = -2;

  std::array<std::int16_t, 8> child{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
  bool IsLeaf() const { return child[0] == kLeaf; }
};

class OctreeQuantizer {
 public:
  // Up to this many colours; the node indices of such a tree fit the 16-bit links.
  static constexpr int kMaxColors = 2048;

  // color_bits is the depth of the tree (1..8); a colour inserted at that depth is a leaf.
  OctreeQuantizer(int max_colors, int color_bits);

  // Inserts count pixels of one colour (0x00BBGGRR), then reduces the tree while it holds more
  // leaves than the maximum. A run of equal pixels gives the same tree as inserting them one by
  // one: only the first of them can create a leaf, and reducing merges sums additively.
  void AddColor(ColorValue colour, std::uint64_t count = 1);
  // Inserts the pixels of one row, left to right.
  void AddRow(const ColorValue* row, int width);

  // The leaf colours in depth-first order, children 0 to 7: each the truncated average of the
  // pixels the leaf gathered.
  std::vector<ColorValue> Palette() const;

 private:
  // A leaf when leaf is set; otherwise a node that joins its level's list of reducible nodes.
  std::int32_t NewNode(int level, bool leaf);
  // The level where a colour that leaves the tree below a node at level gets its new leaf.
  int NewLeafLevel(int level) const;
  // Folds the children of the newest reducible node of the deepest non-empty level into it and
  // returns that level; -1 when the tree is a single leaf.
  int Reduce();
  void Walk(std::int32_t index, std::vector<ColorValue>& palette) const;

  int max_colors_;
  int color_bits_;
  int leaf_count_ = 0;
  std::int32_t root_ = OctreeNode::kNone;
  // Heads of the per-level lists of reducible nodes, newest first.
  std::array<std::int32_t, 8> reducible_{};
  std::uint32_t reducible_levels_ = 0;  // bit n set while level n's list holds a node
  std::vector<OctreeNode> nodes_;
  std::vector<OctreeLinks> links_;            // the children of nodes_[i] at links_[i]
  std::vector<std::int32_t> next_reducible_;  // and the next reducible node at its level
  // Where a colour's walk goes from each node on each branch: the child; from a leaf, the leaf
  // itself; where a child is missing, the pool's first node, which is outside the tree and
  // leads only to itself. Beside it each node's level, and for the top levels the branches
  // that lead to it, three bits a level.
  std::vector<std::array<std::int16_t, 8>> descent_;
  std::vector<std::uint8_t> level_;
  std::vector<std::uint16_t> top_branches_;
  // For the branches of the top kTopLevels levels, the node a colour's walk reaches at that
  // level: a node there, a leaf above it, or the node outside the tree.
  static constexpr int kTopLevels = 4;
  std::array<std::int16_t, 1 << (3 * kTopLevels)> top_{};
  // Makes the walks below a node at level, reached by the given top branches, reach it.
  void SetTop(int level, std::uint32_t branches, std::int32_t index);
  // The leaf a colour reaches, found from top_ through descent_ in a fixed number of steps
  // (leaf_level minus kTopLevels, where leaf_level is the deepest level of a leaf), or the
  // node outside the tree when the colour needs a new leaf.
  std::int32_t Descend(std::uint32_t branches, int leaf_level) const;
  // The deepest level a leaf may sit at: one below the deepest node that has children.
  int DeepestLeafLevel() const;
  std::vector<std::int32_t> free_;
  // The nodes from the root to the leaf of the last inserted colour, by level. Every colour that
  // shares the top depth bits of each channel with it reaches the same leaf; another starts its
  // walk from the deepest node of the shared part. Before the first colour nothing reaches it.
  struct Path {
    std::array<std::int32_t, 9> nodes{};
    int depth = -1;
    int known = 0;  // nodes down to this level are the path's; nodes[depth] always is
    ColorValue colour = 0xFF000000u;
    ColorValue mask = 0xFFFFFFFFu;  // the bits of colour that decide the leaf

    bool Reaches(ColorValue other) const { return ((other ^ colour) & mask) == 0; }
    // Ends the path at the leaf at depth, the one colour reaches.
    void EndAt(ColorValue leaf_colour, int leaf_depth);
  };
  // Walks down to the colour's leaf, growing the tree and reducing it as needed, adds count
  // pixels to it and leaves the path at it; the caller has seen that the colour does not reach
  // the path's leaf.
  void Insert(ColorValue colour, std::uint64_t count, Path& path);
  // Walks the path from its node at level down the colour's branches and ends it at the leaf
  // there; false (the path's nodes partly overwritten, its leaf kept) at a missing child.
  bool WalkToLeaf(ColorValue colour, std::uint32_t branches, int level, Path& path) const;
  // Adds count pixels whose channels sum to red, green and blue to the leaf at index.
  void AddToLeaf(std::int32_t index, std::uint64_t count, std::uint64_t red, std::uint64_t green,
                 std::uint64_t blue);

  Path path_;
};

// The optimised palette of a canvas: every pixel inserted row by row from the top, at most
// count colours, without reserved system colours.
std::vector<ColorValue> BuildOctreePalette(const RgbCanvas& source, int count, int color_bits);

}  // namespace morvane::gif
