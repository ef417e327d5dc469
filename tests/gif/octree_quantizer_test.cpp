#include "gif/octree_quantizer.h"

#include <gtest/gtest.h>

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

// Rows take shortcuts (runs summed at once, the walk resumed from the last colour's path); they
// must give the tree that single colours give, also when colours come back after their leaves
// were folded many times over.
TEST(OctreeQuantizer, RowsGiveTheTreeOfSingleColours) {
  std::vector<ColorValue> pool(3000);
  std::uint32_t state = 1;
  for (ColorValue& colour : pool) colour = (state = state * 1664525u + 1013904223u) >> 8;
  std::vector<ColorValue> row(64);
  OctreeQuantizer by_row(256, 8), by_colour(256, 8);
  for (int r = 0; r < 8000; ++r) {
    for (std::size_t x = 0; x < row.size(); ++x) {
      state = state * 1664525u + 1013904223u;
      // Pairs of equal pixels make runs; the top bits pick a colour of the pool.
      row[x] = x % 2 == 1 && state % 4 == 0 ? row[x - 1] : pool[(state >> 16) % pool.size()];
      by_colour.AddColor(row[x]);
    }
    by_row.AddRow(row.data(), static_cast<int>(row.size()));
  }
  EXPECT_EQ(by_row.Palette(), by_colour.Palette());
}

}  // namespace
}  // namespace morvane::gif
