#include "gif/dither.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace morvane::gif {
namespace {

constexpr ColorValue kBlack = 0x000000;
constexpr ColorValue kWhite = 0xFFFFFF;

// Runs a ditherer over rows of grey levels the way the reduction does and returns the indices.
template <typename Ditherer>
std::vector<std::vector<int>> MapRows(Ditherer& ditherer,
                                      const std::vector<std::vector<int>>& rows) {
  std::vector<std::vector<int>> out;
  for (const auto& row : rows) {
    std::vector<int> indices(row.size(), -1);
    for (int x = ditherer.Column(); x >= 0 && x < static_cast<int>(row.size());
         x = ditherer.Column()) {
      const int v = row[static_cast<std::size_t>(x)];
      indices[static_cast<std::size_t>(x)] = ditherer.MapPixel(v, v, v);
    }
    ditherer.StartNextRow();
    out.push_back(indices);
  }
  return out;
}

// A 3 x 2 grey canvas of level 100 over black and white, worked out by hand. Sums in sixteenths;
// row 0 runs left to right over slots 0, 1, 2, row 1 right to left over slots 4, 3, 2.
//   row 0: x0 slot0 reads 0: 100 -> black, e 100:  slot0 = 300, below-prev 500, below 100, carry
//   700
//          x1 slot1 reads 0: 100 + 708/16 = 144 -> white, e -111: slot1 = 167, bp -455, carry -777
//          x2 slot2 reads 0: 100 + (-769)/16 = 100 - 48 = 52 -> black, e 52: slot2 = -299, bp 149
//          row end: slot3 = 149
//   row 1: x2 slot4 reads 0: 100 -> black, e 100: slot4 = 300, bp 500, carry 700
//          x1 slot3 reads 149: 100 + 857/16 = 153 -> white, e -102: slot3 = 194, bp -410, carry
//          -714 x0 slot2 reads -299: 100 + (-1005)/16 = 100 - 62 = 38 -> black, e 38: slot2 = -296,
//          bp 88 row end: slot1 = 88
// Both divisions of negative sums truncate toward zero (flooring would give 51 and 37).
TEST(FloydSteinbergDitherer, HandWorkedSlotGeometry) {
  ColorLookup lookup({kBlack, kWhite});
  FloydSteinbergDitherer ditherer(3, lookup);
  const auto indices = MapRows(ditherer, {{100, 100, 100}, {100, 100, 100}});
  EXPECT_EQ(indices, (std::vector<std::vector<int>>{{0, 1, 0}, {0, 1, 0}}));
  EXPECT_EQ(ditherer.Slot(), 0);
  const std::vector<std::int32_t> expected{300, 88, -296, 194, 300};
  for (int channel = 0; channel < 3; ++channel)
    for (int slot = 0; slot < 5; ++slot)
      EXPECT_EQ(ditherer.SlotValue(channel, slot), expected[static_cast<std::size_t>(slot)])
          << "channel " << channel << " slot " << slot;
}

// A zero error leaves the slot and both pending sums alone and carries nothing. Row 0: x0 = 100
// goes black (slot0 300, below-prev 500); x1 = 255 + 708/16 is clamped to 255, white, e = 0, so
// slot1 stays 0 and the row end stores the untouched below-prev 500 in slot 2. Row 1 reads it at
// x0: 100 + 508/16 = 131 -> white. (Running the update with e = 0 would leave 100 there: black.)
// Row 1 runs over slots 3 and 2; its zero error at x1 leaves slot 3 as it was.
TEST(FloydSteinbergDitherer, ZeroErrorSkipsTheUpdate) {
  ColorLookup lookup({kBlack, kWhite});
  FloydSteinbergDitherer ditherer(2, lookup);
  const auto indices = MapRows(ditherer, {{100, 255}, {100, 0}});
  EXPECT_EQ(indices, (std::vector<std::vector<int>>{{0, 1}, {1, 0}}));
  EXPECT_EQ(ditherer.SlotValue(0, 3), 0);
  EXPECT_EQ(ditherer.SlotValue(0, 2), -372);  // 0 + 3 * (131 - 255)
}

// Width 1: the row direction still alternates, left-to-right rows use slot 0 and right-to-left
// rows slot 2, and each row end writes slot 1.
//   row 0: slot0 reads 0: 100 -> black, e 100: slot0 = 300; end: slot1 = 500
//   row 1: slot2 reads 0: black, e 100: slot2 = 300; end: slot1 = 500
//   row 2: slot0 reads 300: 100 + 308/16 = 119 -> black, e 119: slot0 = 357; end: slot1 = 595
TEST(FloydSteinbergDitherer, WidthOne) {
  ColorLookup lookup({kBlack, kWhite});
  FloydSteinbergDitherer ditherer(1, lookup);
  const auto indices = MapRows(ditherer, {{100}, {100}, {100}});
  EXPECT_EQ(indices, (std::vector<std::vector<int>>{{0}, {0}, {0}}));
  EXPECT_EQ(ditherer.Direction(), -1);
  EXPECT_EQ(ditherer.Slot(), 2);
  EXPECT_EQ(ditherer.SlotValue(1, 0), 357);
  EXPECT_EQ(ditherer.SlotValue(1, 1), 595);
  EXPECT_EQ(ditherer.SlotValue(1, 2), 300);
}

// Carried values are clamped to 0..255 before the lookup, so a clamped pixel that hits its
// palette colour passes no error on. Row {100, 250, 120}: 250 + 708/16 = 294 -> 255, white,
// e 0; 120 then stays black (unclamped, e 39 would carry 273 and make it 137, white).
// Row {155, 5, 135}: 5 + (-692)/16 = -38 -> 0, black, e 0; 135 stays white.
TEST(FloydSteinbergDitherer, ClampsCarriedValuesOnly) {
  ColorLookup lookup({kBlack, kWhite});
  FloydSteinbergDitherer high(3, lookup);
  EXPECT_EQ(MapRows(high, {{100, 250, 120}}), (std::vector<std::vector<int>>{{0, 1, 0}}));
  ColorLookup lookup2({kBlack, kWhite});
  FloydSteinbergDitherer low(3, lookup2);
  EXPECT_EQ(MapRows(low, {{155, 5, 135}}), (std::vector<std::vector<int>>{{1, 0, 1}}));
}

// Mapping whole rows at a time gives the indices, diffusion state and cache decisions of
// mapping pixel by pixel, for both ditherers, rows in both directions and any width; the
// portable diffusion gives the same as the one the processor runs. Most pixels repeat a few
// colours, so that whole blocks of a row find their cells known, and every pixel carries a
// stray top byte; a full palette makes index 255 (which reads like an unknown cell) occur.
template <typename Ditherer>
void ExpectRowWalkEqualsPixelWalk(int width) {
  std::uint32_t seed = 11;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::vector<ColorValue> palette;
  for (int i = 0; i < 256; ++i) palette.push_back(next() & 0xFFFFFF);
  std::vector<ColorValue> common;
  for (int i = 0; i < 6; ++i) common.push_back(next() & 0xFFFFFF);
  std::vector<ColorValue> pixels;
  for (int i = 0; i < width * 7; ++i) {
    const std::uint32_t pick = next() % 64;
    const ColorValue colour = pick < 2 ? next() : pick == 2 ? palette[255] : common[pick % 6];
    pixels.push_back((colour & 0xFFFFFF) | (next() & 0xFF) << 24);
  }

  ColorLookup by_pixel_lookup(palette);
  ColorLookup by_row_lookup(palette);
  ColorLookup portable_lookup(palette);
  Ditherer by_pixel(width, by_pixel_lookup);
  Ditherer by_row(width, by_row_lookup);
  Ditherer portable(width, portable_lookup);
  std::vector<std::uint8_t> expected(pixels.size()), actual(pixels.size()), plain(pixels.size());
  for (int y = 0; y < 7; ++y) {
    const ColorValue* row = pixels.data() + y * width;
    for (int x = by_pixel.Column(); x >= 0 && x < width; x = by_pixel.Column()) {
      const ColorValue c = row[x];
      expected[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(
          by_pixel.MapPixel(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                            static_cast<int>(c >> 16 & 0xFF)));
    }
    by_row.MapRow(row, actual.data() + y * width);
    EXPECT_EQ(by_row.Column(), by_pixel.Column());
    if constexpr (std::is_same_v<Ditherer, FloydSteinbergDitherer>) {
      const int x = portable.Column();
      portable.MapRunPortable(row + x, plain.data() + y * width + x, width);
    }
    by_pixel.StartNextRow();
    by_row.StartNextRow();
    portable.StartNextRow();
  }
  EXPECT_EQ(actual, expected) << "width " << width;
  if constexpr (std::is_same_v<Ditherer, FloydSteinbergDitherer>) {
    EXPECT_EQ(plain, expected) << "width " << width;
    for (int channel = 0; channel < 3; ++channel)
      for (int slot = 0; slot < width + 2; ++slot) {
        ASSERT_EQ(by_row.SlotValue(channel, slot), by_pixel.SlotValue(channel, slot));
        ASSERT_EQ(portable.SlotValue(channel, slot), by_pixel.SlotValue(channel, slot));
      }
  }
}

TEST(DitherRows, RowWalkEqualsPixelWalk) {
  for (int width : {1, 2, 5, 16, 17, 64, 100}) {
    ExpectRowWalkEqualsPixelWalk<FloydSteinbergDitherer>(width);
    ExpectRowWalkEqualsPixelWalk<NearestMapper>(width);
  }
}

}  // namespace
}  // namespace morvane::gif
