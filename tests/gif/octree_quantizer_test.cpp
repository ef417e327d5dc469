#include "gif/octree_quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

TEST(OctreeQuantizer, OneColourIsOneLeaf) {
  OctreeQuantizer quantizer(256, 8);
  for (int i = 0; i < 1000; ++i) quantizer.AddColor(Rgb(12, 34, 56));
  EXPECT_EQ(quantizer.Palette().size(), 1u);
  EXPECT_EQ(quantizer.Palette(), std::vector<ColorValue>{Rgb(12, 34, 56)});
}

// Four colours into three leaves: two pairs that split only at the last level. The newest
// reducible node of the deepest level folds first, so the later pair merges (its average
// truncated) and the earlier pair stays apart.
TEST(OctreeQuantizer, ReducesNewestNodeOfDeepestLevelFirst) {
  OctreeQuantizer quantizer(3, 8);
  quantizer.AddColor(Rgb(0, 0, 0));
  quantizer.AddColor(Rgb(0, 0, 1));
  quantizer.AddColor(Rgb(254, 254, 254));
  quantizer.AddColor(Rgb(254, 254, 255), 3);
  EXPECT_EQ(quantizer.Palette().size(), 3u);
  // (254 + 3 * 255) / 4 = 254.75, truncated
  EXPECT_EQ(quantizer.Palette(),
            (std::vector<ColorValue>{Rgb(0, 0, 0), Rgb(0, 0, 1), Rgb(254, 254, 254)}));
}

// A node that folds a single child leaves the leaf count as it is, so reduction goes on with
// the next node of the level.
TEST(OctreeQuantizer, FoldingASingleChildReducesAgain) {
  OctreeQuantizer quantizer(2, 8);
  quantizer.AddColor(Rgb(0, 0, 0));
  quantizer.AddColor(Rgb(0, 0, 3));
  quantizer.AddColor(Rgb(255, 255, 255));
  EXPECT_EQ(quantizer.Palette().size(), 2u);
  EXPECT_EQ(quantizer.Palette(), (std::vector<ColorValue>{Rgb(0, 0, 1), Rgb(255, 255, 255)}));
}

// Sums are wide enough for a leaf of billions of pixels.
TEST(OctreeQuantizer, HugeCountsKeepTheirAverage) {
  OctreeQuantizer quantizer(256, 8);
  quantizer.AddColor(Rgb(255, 128, 1), 40'000'000'000ull);
  quantizer.AddColor(Rgb(255, 128, 0), 1);
  OctreeQuantizer folded(1, 8);
  folded.AddColor(Rgb(255, 255, 255), 20'000'000ull);
  folded.AddColor(Rgb(255, 255, 254), 20'000'000ull);
  EXPECT_EQ(quantizer.Palette(), (std::vector<ColorValue>{Rgb(255, 128, 0), Rgb(255, 128, 1)}));
  EXPECT_EQ(folded.Palette(), std::vector<ColorValue>{Rgb(255, 255, 254)});
}

// The textbook tree, one node per colour level, reduced one fold at a time.
class PlainOctree {
 public:
  PlainOctree(int max_colors, int color_bits) : max_(max_colors), bits_(color_bits) {
    nodes_.emplace_back();
    reducible_[0].push_back(0);
  }
  void Add(ColorValue colour) {
    int index = 0;
    for (int level = 0; !nodes_[index].leaf; ++level) {
      const int shift = 7 - level;
      const int branch = (colour >> shift & 1) << 2 | (colour >> (8 + shift) & 1) << 1 |
                         (colour >> (16 + shift) & 1);
      if (nodes_[index].child[branch] < 0) {
        const int child = static_cast<int>(nodes_.size());
        nodes_.emplace_back();
        nodes_[index].child[branch] = child;
        if (level + 1 == bits_) {
          nodes_[child].leaf = true;
          ++leaves_;
        } else {
          reducible_[level + 1].push_back(child);
        }
      }
      index = nodes_[index].child[branch];
    }
    Node& leaf = nodes_[index];
    ++leaf.count;
    leaf.sums[0] += colour & 0xFF, leaf.sums[1] += colour >> 8 & 0xFF, leaf.sums[2] += colour >> 16;
    while (leaves_ > max_) {
      int level = bits_ - 1;
      while (level > 0 && reducible_[level].empty()) --level;
      if (reducible_[level].empty()) break;
      Node& node = nodes_[reducible_[level].back()];
      reducible_[level].pop_back();
      for (const int child : node.child) {
        if (child < 0) continue;
        node.count += nodes_[child].count;
        for (int c = 0; c < 3; ++c) node.sums[c] += nodes_[child].sums[c];
        --leaves_;
      }
      node.child.fill(-1);
      node.leaf = true;
      ++leaves_;
    }
  }
  std::vector<ColorValue> Palette() const {
    std::vector<ColorValue> palette;
    Walk(0, palette);
    return palette;
  }

 private:
  struct Node {
    std::array<int, 8> child{-1, -1, -1, -1, -1, -1, -1, -1};
    bool leaf = false;
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sums{};
  };
  void Walk(int index, std::vector<ColorValue>& palette) const {
    const Node& node = nodes_[index];
    if (node.leaf) {
      palette.push_back(node.count == 0 ? 0
                                        : Rgb(node.sums[0] / node.count, node.sums[1] / node.count,
                                              node.sums[2] / node.count));
      return;
    }
    for (const int child : node.child)
      if (child >= 0) Walk(child, palette);
  }
  int max_, bits_, leaves_ = 0;
  std::vector<Node> nodes_;
  std::array<std::vector<int>, 8> reducible_;
};

// Rows and single colours take shortcuts (runs summed at once, the walk resumed from the last
// colour's path or taken from a table of the top levels, chains of single children never built
// when reduction would fold them at once); both, and rows mixed with single colours, must give
// the textbook tree, also when colours come back after their leaves were
// folded many times over, and at every size and depth.
TEST(OctreeQuantizer, RowsAndColoursGiveThePlainTree) {
  struct Case {
    int max_colors, color_bits, pool;
  };
  for (const Case& c : {Case{256, 8, 3000}, Case{16, 8, 500}, Case{2, 8, 50}, Case{1, 8, 20},
                        Case{256, 5, 3000}, Case{7, 3, 100}, Case{300, 8, 200}}) {
    // Colours that drift a little at a time, as in shaded pictures, so that new colours part
    // from the last one deep in the tree, where the folding happens.
    std::vector<ColorValue> pool(static_cast<std::size_t>(c.pool));
    std::uint32_t state = 1;
    int channels[3] = {128, 128, 128};
    for (ColorValue& colour : pool) {
      for (int& channel : channels) {
        state = state * 1664525u + 1013904223u;
        channel = std::clamp(channel + static_cast<int>(state >> 28) - 8, 0, 255);
      }
      colour = Rgb(channels[0], channels[1], channels[2]);
    }
    std::vector<ColorValue> row(64);
    std::size_t at = 0;
    OctreeQuantizer by_row(c.max_colors, c.color_bits), by_colour(c.max_colors, c.color_bits),
        mixed(c.max_colors, c.color_bits);
    PlainOctree plain(c.max_colors, c.color_bits);
    for (int r = 0; r < 2000; ++r) {
      for (std::size_t x = 0; x < row.size(); ++x) {
        state = state * 1664525u + 1013904223u;
        // Pairs of equal pixels make runs; the walk through the pool jumps up to 15 colours.
        at = (at + (state >> 28)) % pool.size();
        row[x] = x % 2 == 1 && state % 4 == 0 ? row[x - 1] : pool[at];
        by_colour.AddColor(row[x]);
        plain.Add(row[x]);
        if (r % 3 == 2) mixed.AddColor(row[x]);
      }
      by_row.AddRow(row.data(), static_cast<int>(row.size()));
      if (r % 3 != 2) mixed.AddRow(row.data(), static_cast<int>(row.size()));
    }
    EXPECT_EQ(by_row.Palette(), plain.Palette()) << c.max_colors << " " << c.color_bits;
    EXPECT_EQ(by_colour.Palette(), plain.Palette()) << c.max_colors << " " << c.color_bits;
    EXPECT_EQ(mixed.Palette(), plain.Palette()) << c.max_colors << " " << c.color_bits;
  }
}

}  // namespace
}  // namespace morvane::gif
