// The nearest-colour lookup: its search and the per-cell cache in front of it.
#include "gif/color_lookup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

TEST(ColorLookup, FirstEntryOwnsItsCell) {
  // Entries 0 and 2 share a cell (equal in the top five bits of every channel).
  ColorLookup lookup({Rgb(10, 20, 30), Rgb(200, 100, 50), Rgb(13, 22, 31)});
  EXPECT_EQ(lookup.NearestIndex(13, 22, 31), 0);
  EXPECT_EQ(lookup.NearestIndex(200, 100, 50), 1);
  const ColorLookup::View view = lookup.MakeView();
  EXPECT_EQ(view.rgb[0], 10);
  EXPECT_EQ(view.rgb[1], 20);
  EXPECT_EQ(view.rgb[2], 30);
}

TEST(ColorLookup, SearchesOnceAndCachesPerCell) {
  ColorLookup lookup({Rgb(0, 0, 0), Rgb(100, 100, 100), Rgb(80, 80, 80)});
  // A tie between entries 1 and 2 goes to the lower index.
  EXPECT_EQ(lookup.NearestIndex(90, 90, 90), 1);
  // (89, 89, 89) lies in the same cell: the cached answer stands although entry 2 is nearer.
  EXPECT_EQ(lookup.NearestIndex(89, 89, 89), 1);
  EXPECT_EQ(lookup.NearestIndex(40, 0, 0), 0);
}

// The search equals the plain scan: least |dr| + |dg| + |db| from a best of 0x30000, taking an
// entry only when strictly nearer, over palettes of every size, with repeated entries.
TEST(ColorLookup, SearchEqualsThePlainScan) {
  std::uint32_t seed = 7;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int size : {1, 2, 7, 8, 9, 100, 255, 256}) {
    std::vector<ColorValue> palette;
    for (int i = 0; i < size; ++i)
      palette.push_back(i % 5 == 4 ? palette[static_cast<std::size_t>(i / 2)] : next() & 0xE0E0E0);
    const ColorLookup lookup(palette);
    for (int n = 0; n < 2000; ++n) {
      const ColorValue c = next();
      const int r = static_cast<int>(c & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
                b = static_cast<int>((c >> 16) & 0xFF);
      int expected = 0;
      int best = 0x30000;
      for (int i = 0; i < size; ++i) {
        const ColorValue p = palette[static_cast<std::size_t>(i)];
        const int d = std::abs(static_cast<int>(p & 0xFF) - r) +
                      std::abs(static_cast<int>((p >> 8) & 0xFF) - g) +
                      std::abs(static_cast<int>((p >> 16) & 0xFF) - b);
        if (d < best) {
          best = d;
          expected = i;
        }
      }
      for (int bits : {512, 256})
        ASSERT_EQ(lookup.Search(r, g, b, bits), expected) << "size " << size << " colour " << c;
      ASSERT_EQ(lookup.SearchPortable(r, g, b), expected) << "size " << size << " colour " << c;
    }
  }
  EXPECT_EQ(ColorLookup({}).Search(1, 2, 3), 0);
  EXPECT_EQ(ColorLookup({}).SearchPortable(1, 2, 3), 0);
}

}  // namespace
}  // namespace morvane::gif
