#include "gif/color_map_optimizer.h"

#include <gtest/gtest.h>

#include <vector>

#include "gif/binary_transparency.h"
#include "gif/frame_builder.h"

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}
constexpr ColorValue kRed = Rgb(255, 0, 0);
constexpr ColorValue kGreen = Rgb(0, 255, 0);
constexpr ColorValue kBlue = Rgb(0, 0, 255);
constexpr ColorValue kWhite = Rgb(255, 255, 255);
constexpr ColorValue kMagenta = Rgb(255, 0, 255);

GifFrame& AddIndexedFrame(GifImage& image, int width, int height,
                          const std::vector<ColorValue>& map,
                          const std::vector<std::uint8_t>& pixels) {
  GifFrame frame(width, height);
  frame.LocalColorMap().SetColors(map.data(), static_cast<int>(map.size()));
  frame.Pixels() = pixels;
  return image.FrameAt(image.AddFrame(std::move(frame)));
}

GraphicControlExtension& MakeTransparent(GifFrame& frame, int index) {
  auto& control = frame.AddExtension(GraphicControlExtension());
  control.SetTransparencyOn(true);
  control.SetTransparentIndex(index, frame.LocalColorMap());
  return control;
}

std::vector<ColorValue> GlobalColours(const GifImage& image) {
  std::vector<ColorValue> colours;
  for (int i = 0; i < image.GlobalColorMap().ColorCount(); ++i)
    colours.push_back(image.GlobalColorMap().Entry(i));
  return colours;
}

TEST(SortRecords, LeavesEqualKeysInTheOrderOfItsOwnQuicksort) {
  std::vector<HistogramEntry> records(4);
  const int counts[] = {1, 2, 1, 2};
  HistogramEntryList list;
  for (int i = 0; i < 4; ++i) {
    records[static_cast<std::size_t>(i)].use_count = counts[i];
    records[static_cast<std::size_t>(i)].map_index = i;
    list.push_back(&records[static_cast<std::size_t>(i)]);
  }
  SortRecords(list, SortKey::kUseCount);
  // Pivot 1: swap 0 and 3, then 1 with itself; the right part 2..3 swaps 2 and 3.
  std::vector<int> order;
  for (const HistogramEntry* r : list) order.push_back(r->map_index);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 0, 2}));

  // Colour words and extreme counts compare without overflow.
  records[0].use_count = 2147483647;
  records[1].use_count = -1;
  records[2].use_count = 0;
  records[3].use_count = 5;
  SortRecords(list, SortKey::kUseCount);
  EXPECT_EQ(list[0]->use_count, 2147483647);
  EXPECT_EQ(list[3]->use_count, -1);
}

TEST(OptimizeColorMaps, FramesWithEqualMapsShareOneGlobalMapOrderedByUse) {
  GifImage image;
  const std::vector<ColorValue> map{kRed, kGreen, kBlue, kWhite};
  AddIndexedFrame(image, 2, 2, map, {1, 1, 0, 1});
  AddIndexedFrame(image, 2, 2, map, {1, 2, 2, 1});
  OptimizeColorMaps(image);
  // green 5, blue 2, red 1; white is never used and drops out
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kGreen, kBlue, kRed}));
  EXPECT_TRUE(image.GlobalColorMap().IsSorted());
  EXPECT_EQ(image.FrameAt(0).LocalColorMap().ColorCount(), 0);
  EXPECT_EQ(image.FrameAt(1).LocalColorMap().ColorCount(), 0);
  EXPECT_EQ(image.FrameAt(0).Pixels(), (std::vector<std::uint8_t>{0, 0, 2, 0}));
  EXPECT_EQ(image.FrameAt(1).Pixels(), (std::vector<std::uint8_t>{0, 1, 1, 0}));

  // A second pass over the global map changes nothing.
  OptimizeColorMaps(image);
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kGreen, kBlue, kRed}));
  EXPECT_EQ(image.FrameAt(0).Pixels(), (std::vector<std::uint8_t>{0, 0, 2, 0}));
}

// Frame A uses 256 colours, entry i (600 - 2i) times, with channel sums 0, 2, ... 510; frame B
// adds three colours used once. The 256 of A are kept in their order; of B, (20,0,0) merges
// with A's equal colour, and the other two go to the kept colour of nearest channel sum: sum 11
// lies between sums 10 and 12 and takes the more used (index 5), sum 765 takes sum 510.
TEST(OptimizeColorMaps, ColoursThatDoNotFitGoToTheNearestChannelSum) {
  GifImage image;
  std::vector<ColorValue> map;
  std::vector<std::uint8_t> pixels;
  for (unsigned i = 0; i < 256; ++i) {
    map.push_back(i < 128 ? Rgb(2 * i, 0, 0) : Rgb(254, 2 * (i - 128), 2));
    pixels.insert(pixels.end(), 600 - 2 * i, static_cast<std::uint8_t>(i));
  }
  ASSERT_EQ(pixels.size(), 320u * 276u);
  AddIndexedFrame(image, 320, 276, map, pixels);
  AddIndexedFrame(image, 3, 1, {Rgb(0, 0, 11), kWhite, Rgb(20, 0, 0)}, {0, 1, 2});
  OptimizeColorMaps(image);
  EXPECT_EQ(GlobalColours(image), map);
  EXPECT_EQ(image.FrameAt(0).Pixels(), pixels);
  EXPECT_EQ(image.FrameAt(1).Pixels(), (std::vector<std::uint8_t>{5, 255, 10}));
}

TEST(OptimizeColorMaps, TransparentPixelsEndOnABlackLastEntry) {
  GifImage image;
  GifFrame& first = AddIndexedFrame(image, 4, 1, {kMagenta, kRed, kGreen}, {0, 1, 1, 2});
  GraphicControlExtension& control = MakeTransparent(first, 0);
  AddIndexedFrame(image, 3, 1, {kGreen, kRed}, {0, 0, 0});
  OptimizeColorMaps(image);
  // Magenta only stood for transparency: it is not counted and drops out.
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kGreen, kRed, 0}));
  EXPECT_TRUE(first.HasTransparency());
  EXPECT_TRUE(control.TransparencyOn());
  EXPECT_EQ(control.TransparentIndex(), 2);
  EXPECT_EQ(first.Pixels(), (std::vector<std::uint8_t>{2, 1, 1, 0}));
  EXPECT_EQ(image.FrameAt(1).Pixels(), (std::vector<std::uint8_t>{0, 0, 0}));
}

// A frame whose transparent index matches no pixel loses its transparency.
TEST(OptimizeColorMaps, UnusedTransparentIndexIsSwitchedOff) {
  GifImage image;
  GifFrame& frame = AddIndexedFrame(image, 3, 1, {kMagenta, kRed, kGreen}, {1, 1, 2});
  GraphicControlExtension& control = MakeTransparent(frame, 0);
  OptimizeColorMaps(image);
  EXPECT_FALSE(frame.HasTransparency());
  EXPECT_FALSE(control.TransparencyOn());
  EXPECT_EQ(control.TransparentIndex(), 0);
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kRed, kGreen}));
  EXPECT_EQ(frame.Pixels(), (std::vector<std::uint8_t>{0, 0, 1}));
}

// On a black background a frame of few colours finds black in its map's black padding, which
// no pixel uses: the merge switches its transparency off, and the frame takes the index of its
// first background pixel instead, not that of its drawn top-left pixel. A frame without
// background pixels stays opaque.
TEST(BinaryTransparency, FramesThatLostTransparencyTakeTheirFirstBackgroundPixel) {
  RgbCanvas with_background(3, 1), without(2, 1);
  with_background.SetPixel(0, 0, kRed);
  with_background.SetPixel(2, 0, kGreen);
  without.SetPixel(0, 0, kRed);
  without.SetPixel(1, 0, kGreen);
  GifImage image;
  BinaryTransparency transparency(0);
  for (const RgbCanvas* canvas : {&with_background, &without}) {
    GifFrame& frame = image.FrameAt(image.AddFrame(BuildFrame(*canvas, ReductionSettings())));
    transparency.AddFrame(image, frame, *canvas);
    EXPECT_EQ(frame.ControlExtension()->TransparentIndex(), 255);  // the padding
  }
  transparency.OptimizeColorMaps(image);
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kRed, kGreen, 0}));
  EXPECT_TRUE(image.FrameAt(0).HasTransparency());
  EXPECT_EQ(image.FrameAt(0).ControlExtension()->TransparentIndex(), 2);
  EXPECT_EQ(image.FrameAt(0).Pixels(), (std::vector<std::uint8_t>{0, 2, 1}));
  EXPECT_FALSE(image.FrameAt(1).HasTransparency());
  EXPECT_EQ(image.FrameAt(1).Pixels(), (std::vector<std::uint8_t>{0, 1}));
}

TEST(OptimizeColorMaps, NothingCountedLeavesOnlyTheTransparentSlot) {
  GifImage image;
  image.SetBackgroundColor(kWhite);
  GifFrame& frame = AddIndexedFrame(image, 2, 1, {kMagenta, kRed}, {1, 1});
  GraphicControlExtension& control = MakeTransparent(frame, 1);
  OptimizeColorMaps(image);
  EXPECT_EQ(GlobalColours(image), std::vector<ColorValue>{0});
  EXPECT_EQ(control.TransparentIndex(), 0);
  EXPECT_TRUE(frame.HasTransparency());
  EXPECT_EQ(frame.Pixels(), (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(frame.LocalColorMap().ColorCount(), 0);

  GifImage no_frames;
  no_frames.SetBackgroundColor(kWhite);
  OptimizeColorMaps(no_frames);
  EXPECT_EQ(no_frames.GlobalColorMap().ColorCount(), 0);
}

TEST(OptimizeColorMaps, IndexBeyondTheMapCountsAsEntryZero) {
  GifImage image;
  GifFrame& frame = AddIndexedFrame(image, 3, 1, {kRed, kGreen}, {1, 7, 1});
  OptimizeColorMaps(image);
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{kGreen, kRed}));
  EXPECT_EQ(frame.Pixels(), (std::vector<std::uint8_t>{0, 1, 0}));
}

TEST(OptimizeColorMaps, FindColorBeforeAndAfter) {
  GifImage image;
  RgbCanvas canvas(3, 1);
  canvas.SetPixel(1, 0, kWhite);
  canvas.SetPixel(2, 0, kWhite);
  GifFrame& frame = image.FrameAt(image.AddFrame(BuildFrame(canvas, ReductionSettings())));
  // Reduction leaves black at entry 0 and as padding up to 255; unsorted finds the highest.
  EXPECT_EQ(frame.LocalColorMap().FindColor(0), 255);
  MakeTransparent(frame, 1);
  OptimizeColorMaps(image);
  // Black, used once, and the black transparent slot: sorted finds the lower.
  EXPECT_EQ(GlobalColours(image), (std::vector<ColorValue>{0, 0}));
  EXPECT_EQ(image.GlobalColorMap().FindColor(0), 0);
  EXPECT_EQ(image.ActiveColorMap(frame).FindColor(0), 0);
  image.GlobalColorMap().SetSorted(false);
  EXPECT_EQ(image.GlobalColorMap().FindColor(0), 1);
}

}  // namespace
}  // namespace morvane::gif
