#include "gif/reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "gif/gif_image.h"

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
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
  const ReducedFrame reduced = ReduceBitmap(canvas, 7, 1, 8);
  EXPECT_EQ(reduced.PaletteCount, 1);
  EXPECT_EQ(reduced.Table[0], Rgb(1, 2, 3));
  for (std::size_t i = 1; i < 256; ++i) EXPECT_EQ(reduced.Table[i], 0u);
  EXPECT_EQ(reduced.Pixels, std::vector<std::uint8_t>(15, 0));
}

// Up to 256 colours each keep their exact value; a colour whose cell an earlier palette entry
// owns takes that entry instead.
TEST(ReduceBitmap, FewColoursStayExactButForSharedCells) {
  RgbCanvas canvas(4, 2);
  const std::vector<ColorValue> colours{Rgb(200, 100, 50), Rgb(13, 22, 31),  Rgb(10, 20, 30),
                                        Rgb(0, 0, 0),      Rgb(255, 0, 0),   Rgb(13, 22, 31),
                                        Rgb(0, 0, 0),      Rgb(200, 100, 50)};
  for (int i = 0; i < 8; ++i) canvas.SetPixel(i % 4, i / 4, colours[static_cast<std::size_t>(i)]);
  const ReducedFrame reduced = ReduceBitmap(canvas, 7, 0, 8);
  ASSERT_EQ(reduced.PaletteCount, 5);
  EXPECT_EQ(std::vector<ColorValue>(reduced.Table.begin(), reduced.Table.begin() + 5),
            (std::vector<ColorValue>{Rgb(0, 0, 0), Rgb(10, 20, 30), Rgb(13, 22, 31), Rgb(255, 0, 0),
                                     Rgb(200, 100, 50)}));
  // (13,22,31) shares the cell of (10,20,30), entry 1, and is mapped there.
  EXPECT_EQ(reduced.Pixels, (std::vector<std::uint8_t>{4, 1, 1, 0, 3, 1, 0, 4}));
}

TEST(ReduceBitmap, DistinctCellsMapExactlyAndDitheringChangesNothing) {
  const RgbCanvas canvas = DistinctCellCanvas(32, 9);
  const ReducedFrame nearest = ReduceBitmap(canvas, 7, 0, 8);
  const ReducedFrame dithered = ReduceBitmap(canvas, 7, 1, 8);
  ASSERT_EQ(nearest.PaletteCount, 256);
  std::vector<ColorValue> colours;
  for (int i = 0; i < 256; ++i) colours.push_back(canvas.GetPixel(i % 32, i / 32));
  EXPECT_EQ(std::vector<ColorValue>(nearest.Table.begin(), nearest.Table.end()),
            InTreeOrder(colours));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(nearest.Table[nearest.Pixels[static_cast<std::size_t>(y * 32 + x)]],
                canvas.GetPixel(x, y));
  EXPECT_EQ(dithered.Pixels, nearest.Pixels);
}

TEST(ReduceBitmap, ManyColoursGiveAtMost256Entries) {
  RgbCanvas canvas(97, 61);
  std::uint32_t seed = 99;
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) {
      seed = seed * 22695477u + 1u;
      canvas.SetPixel(x, y, seed >> 7);
    }
  for (int dither : {0, 1}) {
    const ReducedFrame reduced = ReduceBitmap(canvas, 7, dither, 8);
    EXPECT_GT(reduced.PaletteCount, 1);
    EXPECT_LE(reduced.PaletteCount, 256);
    for (int i = reduced.PaletteCount; i < 256; ++i)
      EXPECT_EQ(reduced.Table[static_cast<std::size_t>(i)], 0u);
    for (std::uint8_t index : reduced.Pixels) ASSERT_LT(index, reduced.PaletteCount);
  }
  const ReducedFrame four = ReduceBitmap(canvas, 7, 0, 2);
  EXPECT_LE(four.PaletteCount, 4);
}

TEST(ReduceBitmap, OtherMethodsAreRefused) {
  RgbCanvas canvas(2, 2);
  EXPECT_THROW(ReduceBitmap(canvas, 6, 0, 8), GifError);
  EXPECT_THROW(ReduceBitmap(canvas, 7, 2, 8), GifError);
  EXPECT_THROW(ReduceBitmap(canvas, 7, 0, 9), GifError);
}

TEST(GifFrameAssign, CanvasBecomesAFrameWithA256EntryLocalMap) {
  GifImage image;
  image.ReductionMethod = 7;
  RgbCanvas canvas(3, 2);
  canvas.FillRect(0, 0, 3, 2, Rgb(9, 8, 7));
  canvas.SetPixel(2, 1, Rgb(255, 255, 255));
  ASSERT_EQ(image.AddFrame(canvas), 0);
  const GifFrame& frame = image.SubImageAt(0);
  EXPECT_EQ(frame.Left(), 0);
  EXPECT_EQ(frame.Top(), 0);
  EXPECT_EQ(frame.Width(), 3);
  EXPECT_EQ(frame.Height(), 2);
  EXPECT_EQ(image.LogicalWidth(), 3);
  EXPECT_EQ(image.LogicalHeight(), 2);
  EXPECT_FALSE(frame.HasTransparency());
  EXPECT_TRUE(frame.ExtensionList().empty());
  ASSERT_EQ(frame.LocalColorMap().ColorCount(), 256);
  EXPECT_EQ(frame.LocalColorMap().Entry(0), Rgb(9, 8, 7));
  EXPECT_EQ(frame.LocalColorMap().Entry(1), Rgb(255, 255, 255));
  EXPECT_EQ(frame.LocalColorMap().Entry(2), 0u);
  EXPECT_EQ(frame.Pixels(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(frame.PixelAt(2, 1), 1);
  // The unsorted map finds the highest of its many blacks.
  EXPECT_EQ(frame.LocalColorMap().FindColor(0), 255);
}

TEST(GifFrameAssign, EmptyCanvasLeavesAnEmptyFrame) {
  GifImage image;
  image.ReductionMethod = 7;
  ASSERT_EQ(image.AddFrame(RgbCanvas(0, 5)), 0);
  EXPECT_TRUE(image.SubImageAt(0).IsEmpty());
  EXPECT_EQ(image.SubImageAt(0).LocalColorMap().ColorCount(), 0);
  EXPECT_THROW(image.SubImageAt(0).PixelAt(0, 0), GifError);

  // Assigning again replaces whatever the frame held.
  RgbCanvas canvas(2, 2);
  image.SubImageAt(0).Assign(canvas);
  EXPECT_EQ(image.SubImageAt(0).LocalColorMap().ColorCount(), 256);
  image.SubImageAt(0).Assign(RgbCanvas());
  EXPECT_TRUE(image.SubImageAt(0).IsEmpty());
  EXPECT_EQ(image.SubImageAt(0).LocalColorMap().ColorCount(), 0);
}

TEST(GifFrameAssign, FailedReductionAddsNoFrame) {
  GifImage image;  // ReductionMethod left at 6
  try {
    image.AddFrame(RgbCanvas(2, 2));
    FAIL() << "no exception";
  } catch (const GifError& e) {
    EXPECT_EQ(std::string(e.what()), "Unsupported reduction method");
  }
  EXPECT_EQ(image.SubImageCount(), 0);
}

// Frames added in pairs equal frames added one by one: noisy canvases (so the diffusion and
// the cache decisions are busy) of one size, of two sizes, and with an empty canvas.
TEST(GifImageAddFramePair, PairsGiveTheFramesOfSingleAdds) {
  std::uint32_t seed = 3;
  auto canvas = [&seed](int width, int height) {
    RgbCanvas c(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        c.SetPixel(x, y, (seed >> 8) & (x < width / 2 ? 0xFFFFFF : 0xF0F0F0));
      }
    return c;
  };
  const std::pair<RgbCanvas, RgbCanvas> pairs[] = {
      {canvas(37, 9), canvas(37, 9)}, {canvas(37, 9), canvas(20, 5)}, {RgbCanvas(), canvas(3, 3)}};
  for (const int dither : {1, 0}) {
    for (const auto& [first, second] : pairs) {
      GifImage singles, paired;
      for (GifImage* image : {&singles, &paired}) {
        image->ReductionMethod = 7;
        image->DitherMethod = static_cast<std::uint8_t>(dither);
      }
      singles.AddFrame(first);
      singles.AddFrame(second);
      ASSERT_EQ(paired.AddFramePair(first, second), 0);
      ASSERT_EQ(paired.SubImageCount(), 2);
      EXPECT_EQ(paired.LogicalWidth(), singles.LogicalWidth());
      EXPECT_EQ(paired.LogicalHeight(), singles.LogicalHeight());
      for (int i = 0; i < 2; ++i) {
        const GifFrame& a = singles.SubImageAt(i);
        const GifFrame& b = paired.SubImageAt(i);
        EXPECT_EQ(b.Width(), a.Width());
        EXPECT_EQ(b.Height(), a.Height());
        EXPECT_EQ(b.Pixels(), a.Pixels()) << "frame " << i << " dither " << dither;
        ASSERT_EQ(b.LocalColorMap().ColorCount(), a.LocalColorMap().ColorCount());
        for (int e = 0; e < a.LocalColorMap().ColorCount(); ++e)
          EXPECT_EQ(b.LocalColorMap().Entry(e), a.LocalColorMap().Entry(e));
      }
    }
  }
}

// With binary transparency the background colour is asked for in a full 256-entry map that
// need not hold it: the nearest entry stands in for it instead of overflowing the table.
TEST(GifFrameAssign, TransparentColourMissingFromAFullMapTakesTheNearestEntry) {
  GifImage image;
  image.ReductionMethod = 7;
  RgbCanvas canvas(2, 1);
  canvas.SetPixel(0, 0, Rgb(10, 20, 30));
  canvas.SetPixel(1, 0, Rgb(200, 200, 200));
  image.AddFrame(canvas);
  GifFrame& frame = image.SubImageAt(0);
  auto& control = frame.AddExtension(std::make_unique<GraphicControlExtension>(frame));
  control.SetTransparencyOn(true);
  control.UseTransparentColor(Rgb(190, 200, 200));
  EXPECT_EQ(control.TransparentIndex(), 1);
  control.UseTransparentColor(Rgb(1, 1, 1));  // black entries 2..255 lie nearest; lowest wins
  EXPECT_EQ(control.TransparentIndex(), 2);
  control.UseTransparentColor(Rgb(10, 20, 30));
  EXPECT_EQ(control.TransparentIndex(), 0);
  EXPECT_EQ(frame.LocalColorMap().ColorCount(), 256);
}

}  // namespace
}  // namespace morvane::gif
