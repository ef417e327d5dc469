#include "gif/color_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "core/errors.h"

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

ReductionSettings Dithered(int dither_method) {
  ReductionSettings settings;
  settings.dither_method = dither_method;
  return settings;
}

// The octree lists its leaves by the bits of red, green and blue interleaved, top bit first.
std::uint32_t TreeKey(ColorValue c) {
  std::uint32_t key = 0;
  for (int level = 0; level < 8; ++level) {
    const int shift = 7 - level;
    key = key << 3 | ((c >> shift) & 1) << 2 | ((c >> (8 + shift)) & 1) << 1 |
          ((c >> (16 + shift)) & 1);
  }
  return key;
}

std::vector<ColorValue> InTreeOrder(std::vector<ColorValue> colours) {
  std::sort(colours.begin(), colours.end(),
            [](ColorValue a, ColorValue b) { return TreeKey(a) < TreeKey(b); });
  return colours;
}

// 256 colours, each in a 5-bit cell of its own.
RgbCanvas DistinctCellCanvas(int width, int height) {
  RgbCanvas canvas(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned i = static_cast<unsigned>(y * width + x) % 256;
      canvas.SetPixel(x, y, Rgb(8 * (i % 8) + 3, 8 * (i / 8 % 8) + 5, 8 * (i / 64) + 200));
    }
  return canvas;
}

TEST(ReduceBitmap, OneColourCanvas) {
  RgbCanvas canvas(5, 3);
  canvas.FillRect(0, 0, 5, 3, Rgb(1, 2, 3));
  const ReducedFrame reduced = ReduceBitmap(canvas, Dithered(kDitherFloydSteinberg));
  EXPECT_EQ(reduced.palette_count, 1);
  EXPECT_EQ(reduced.table[0], Rgb(1, 2, 3));
  for (std::size_t i = 1; i < 256; ++i) EXPECT_EQ(reduced.table[i], 0u);
  EXPECT_EQ(reduced.pixels, std::vector<std::uint8_t>(15, 0));
}

// Up to 256 colours each keep their exact value; a colour whose cell an earlier palette entry
// owns takes that entry instead.
TEST(ReduceBitmap, FewColoursStayExactButForSharedCells) {
  RgbCanvas canvas(4, 2);
  const std::vector<ColorValue> colours{Rgb(200, 100, 50), Rgb(13, 22, 31),  Rgb(10, 20, 30),
                                        Rgb(0, 0, 0),      Rgb(255, 0, 0),   Rgb(13, 22, 31),
                                        Rgb(0, 0, 0),      Rgb(200, 100, 50)};
  for (int i = 0; i < 8; ++i) canvas.SetPixel(i % 4, i / 4, colours[static_cast<std::size_t>(i)]);
  const ReducedFrame reduced = ReduceBitmap(canvas, Dithered(kDitherNearest));
  ASSERT_EQ(reduced.palette_count, 5);
  EXPECT_EQ(std::vector<ColorValue>(reduced.table.begin(), reduced.table.begin() + 5),
            (std::vector<ColorValue>{Rgb(0, 0, 0), Rgb(10, 20, 30), Rgb(13, 22, 31), Rgb(255, 0, 0),
                                     Rgb(200, 100, 50)}));
  // (13,22,31) shares the cell of (10,20,30), entry 1, and is mapped there.
  EXPECT_EQ(reduced.pixels, (std::vector<std::uint8_t>{4, 1, 1, 0, 3, 1, 0, 4}));
}

TEST(ReduceBitmap, DistinctCellsMapExactlyAndDitheringChangesNothing) {
  const RgbCanvas canvas = DistinctCellCanvas(32, 9);
  const ReducedFrame nearest = ReduceBitmap(canvas, Dithered(kDitherNearest));
  const ReducedFrame dithered = ReduceBitmap(canvas, Dithered(kDitherFloydSteinberg));
  ASSERT_EQ(nearest.palette_count, 256);
  std::vector<ColorValue> colours;
  for (int i = 0; i < 256; ++i) colours.push_back(canvas.GetPixel(i % 32, i / 32));
  EXPECT_EQ(std::vector<ColorValue>(nearest.table.begin(), nearest.table.end()),
            InTreeOrder(colours));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(nearest.table[nearest.pixels[static_cast<std::size_t>(y * 32 + x)]],
                canvas.GetPixel(x, y));
  EXPECT_EQ(dithered.pixels, nearest.pixels);
}

TEST(ReduceBitmap, ManyColoursGiveAtMost256Entries) {
  RgbCanvas canvas(97, 61);
  std::uint32_t seed = 99;
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) {
      seed = seed * 22695477u + 1u;
      canvas.SetPixel(x, y, seed >> 7);
    }
  for (int dither : {kDitherNearest, kDitherFloydSteinberg}) {
    const ReducedFrame reduced = ReduceBitmap(canvas, Dithered(dither));
    EXPECT_GT(reduced.palette_count, 1);
    EXPECT_LE(reduced.palette_count, 256);
    for (int i = reduced.palette_count; i < 256; ++i)
      EXPECT_EQ(reduced.table[static_cast<std::size_t>(i)], 0u);
    for (std::uint8_t index : reduced.pixels) ASSERT_LT(index, reduced.palette_count);
  }
  const ReducedFrame four = ReduceBitmap(canvas, {.reduction_bits = 2});
  EXPECT_LE(four.palette_count, 4);
}

TEST(ReduceBitmap, OtherMethodsAreRefused) {
  RgbCanvas canvas(2, 2);
  EXPECT_THROW(ReduceBitmap(canvas, Dithered(2)), GifError);
  EXPECT_THROW(ReduceBitmap(canvas, {.reduction_bits = 9}), GifError);
}

}  // namespace
}  // namespace morvane::gif
