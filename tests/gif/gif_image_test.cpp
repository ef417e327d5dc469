// The GIF model: colour maps, the active map of a frame, transparency, frame sizes and the
// logical screen.
#include "gif/gif_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/errors.h"

namespace morvane::gif {
namespace {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

ColorMap MapOf(const std::vector<ColorValue>& colours) {
  ColorMap map;
  map.SetColors(colours.data(), static_cast<int>(colours.size()));
  return map;
}

TEST(ColorMap, AppendsUpTo256ColoursAndFindsBySortOrder) {
  ColorMap map = MapOf({Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(1, 2, 3)});
  EXPECT_EQ(map.RgbBytes().size(), 9u);
  EXPECT_EQ(map.Entry(1), Rgb(4, 5, 6));
  EXPECT_EQ(map.FindColor(Rgb(1, 2, 3)), 2);  // unsorted: the last of equal colours
  map.SetSorted(true);
  EXPECT_EQ(map.FindColor(Rgb(1, 2, 3) | 0xFF000000u), 0);  // sorted: the first
  EXPECT_EQ(map.FindColor(Rgb(9, 9, 9)), -1);
  EXPECT_EQ(map.FindOrAppendColor(Rgb(9, 9, 9)), 3);
  EXPECT_FALSE(map.IsSorted());  // appending ends the order
  while (map.ColorCount() < ColorMap::kMaxColors) map.AppendColor(0);
  try {
    map.AppendColor(Rgb(7, 7, 7));
    ADD_FAILURE() << "appended a 257th colour";
  } catch (const GifError& e) {
    EXPECT_STREQ(e.what(), "Color table overflow");
  }
}

// The background colour asked for as transparent in a full 256-entry map that need not hold
// it: the nearest entry stands in for it instead of overflowing the table.
TEST(ColorMap, FullMapGivesTheNearestEntryForAMissingColour) {
  std::vector<ColorValue> colours(256, 0);
  colours[0] = Rgb(10, 20, 30);
  colours[1] = Rgb(200, 200, 200);
  ColorMap map = MapOf(colours);
  EXPECT_EQ(map.FindAppendOrNearest(Rgb(190, 200, 200)), 1);
  EXPECT_EQ(map.FindAppendOrNearest(Rgb(1, 1, 1)), 2);  // blacks 2..255 lie nearest; lowest wins
  EXPECT_EQ(map.FindAppendOrNearest(Rgb(10, 20, 30)), 0);
  EXPECT_EQ(map.ColorCount(), 256);
  ColorMap small = MapOf({Rgb(10, 20, 30)});
  EXPECT_EQ(small.FindAppendOrNearest(Rgb(11, 20, 30)), 1);  // room left: appended
}

TEST(GifImage, ActiveMapIsLocalThenGlobalThenTheEmptyLocal) {
  GifImage image;
  GifFrame& bare = image.FrameAt(image.AddFrame(GifFrame(1, 1)));
  EXPECT_EQ(&image.ActiveColorMap(bare), &bare.LocalColorMap());
  image.SetBackgroundColor(Rgb(5, 5, 5));
  EXPECT_EQ(image.Header().background_index, 0);
  EXPECT_EQ(&image.ActiveColorMap(bare), &image.GlobalColorMap());
  GifFrame& local = image.FrameAt(image.AddFrame(GifFrame(1, 1)));
  local.LocalColorMap().AppendColor(Rgb(6, 6, 6));
  EXPECT_EQ(&image.ActiveColorMap(local), &local.LocalColorMap());
  image.SetBackgroundColor(Rgb(8, 8, 8));
  EXPECT_EQ(image.Header().background_index, 1);
  EXPECT_EQ(&image.FrameAt(0), &bare);  // frames stay where they are as frames are added
}

TEST(GifImage, LogicalScreenGrowsToHoldEveryFrame) {
  GifImage image;
  image.AddFrame(GifFrame(4, 9));
  image.AddFrame(GifFrame(7, 2));
  image.AddFrame(GifFrame());
  EXPECT_EQ(image.Header().logical_width, 7);
  EXPECT_EQ(image.Header().logical_height, 9);
  EXPECT_EQ(image.FrameCount(), 3);
  EXPECT_TRUE(image.FrameAt(2).IsEmpty());
  EXPECT_THROW(image.FrameAt(3), std::out_of_range);
}

TEST(GifFrame, SizesAndPixels) {
  GifFrame frame(3, 2);
  EXPECT_EQ(frame.Pixels(), std::vector<std::uint8_t>(6, 0));
  frame.Pixels()[5] = 9;
  EXPECT_EQ(frame.PixelAt(2, 1), 9);
  for (const auto& [x, y] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{-1, 0}})
    EXPECT_THROW(frame.PixelAt(x, y), GifError) << x << "," << y;
  EXPECT_NO_THROW(GifFrame(0xFFFF, 0));
  EXPECT_THROW(GifFrame(0x10000, 1), GifError);
  EXPECT_THROW(GifFrame(1, 0x10000), GifError);
}

TEST(GifFrame, TransparencyLivesInTheFirstControlExtension) {
  GifFrame frame(2, 1);
  EXPECT_EQ(frame.ControlExtension(), nullptr);
  EXPECT_FALSE(frame.HasTransparency());
  frame.AddExtension(LoopExtension());
  auto& control = frame.AddExtension(GraphicControlExtension());
  EXPECT_EQ(frame.ControlExtension(), &control);
  EXPECT_FALSE(frame.HasTransparency());
  control.SetTransparencyOn(true);
  EXPECT_TRUE(frame.HasTransparency());
  frame.AddExtension(GraphicControlExtension());
  EXPECT_TRUE(frame.HasTransparency());
  EXPECT_EQ(frame.Extensions().size(), 3u);
}

TEST(GraphicControlExtension, IndexOutsideTheActiveMapStoresZero) {
  const ColorMap three = MapOf({1, 2, 3});
  GraphicControlExtension control;
  control.SetTransparentIndex(2, three);
  EXPECT_EQ(control.TransparentIndex(), 2);
  control.SetTransparentIndex(3, three);
  EXPECT_EQ(control.TransparentIndex(), 0);
  control.SetTransparentIndex(2, three);
  control.SetTransparentIndex(-1, three);
  EXPECT_EQ(control.TransparentIndex(), 0);
  // An empty map checks nothing.
  control.SetTransparentIndex(77, ColorMap());
  EXPECT_EQ(control.TransparentIndex(), 77);
}

TEST(GraphicControlExtension, PackedFieldKeepsDisposalAndTransparencyApart) {
  GraphicControlExtension control;
  control.SetDisposalMethod(kDisposeToBackground);
  EXPECT_EQ(control.Packed(), 0x08);
  control.SetTransparencyOn(true);
  EXPECT_EQ(control.Packed(), 0x09);
  control.SetDisposalMethod(9);  // only three bits are kept
  EXPECT_EQ(control.Packed(), 0x05);
  control.SetTransparencyOn(false);
  EXPECT_EQ(control.Packed(), 0x04);
  control.SetDelayHundredths(250);
  EXPECT_EQ(control.DelayHundredths(), 250);
  EXPECT_EQ(control.Packed(), 0x04);
}

}  // namespace
}  // namespace morvane::gif
