// The GIFs the converter writes, decoded with giflib and compared with frames composited here
// from the test sprite's own pictures.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

using testing::DecodedGif;
using testing::DecodeGifFile;

// A frame expected in a GIF: which cell is drawn, at which canvas origin.
struct Placed {
  int anim;
  std::int32_t frame, direction;
  int x, y;
};

// One GIF file expected in the output directory.
struct Expected {
  std::string file;
  int width, height;
  bool loop;
  std::vector<Placed> frames;
};

// Two collections: "cells" (plain image data, three frames in two directions) and "hops"
// (packed, two frames in one direction). Boxes lie at different places, partly at negative
// positions; pictures use every run kind, overlap across layers and reach past their canvas.
TestSprite DrawingSprite() {
  TestSprite sprite(16, 8);

  Anim cells("cells", 3, 2);
  cells.palettes[0] = {Rgb(200, 40, 40), Rgb(40, 200, 40), Rgb(40, 40, 200), Rgb(240, 240, 80)};
  cells.palettes[1] = {Rgb(96, 24, 160)};
  cells.palettes[2] = {Rgb(0, 0, 0), Rgb(250, 250, 250), Rgb(16, 128, 224)};
  cells.palettes[3] = {Rgb(255, 160, 0), Rgb(128, 255, 255)};
  cells.SetBox(0, 0, {-4, -6, 6, 4});
  cells.SetBox(1, 0, {-2, -8, 8, 2});
  cells.SetBox(2, 0, {0, 0, 0, 0});  // nothing to draw: not counted
  cells.SetBox(0, 1, {0, 0, 5, 5});
  cells.SetBox(1, 1, {10, 10, 14, 12});
  cells.SetBox(2, 1, {3, 3, 3, 9});  // counted for the canvas, but no width to draw
  // Frame 0, direction 0: opaque, translucent and transparent pixels, a shadow of alpha-only
  // runs, translucent highlights over both, and a layer that runs off the canvas.
  cells.SetLayer(0, 0, 0, Picture::Paint(1, 1, 6, 6, [](int x, int y) {
                   if (x == 0 && y == 0) return Pixel{1, 0};
                   return Pixel{static_cast<std::uint8_t>((x + y) % 4),
                                static_cast<std::uint8_t>(y == 5 ? 160 : 255)};
                 }));
  cells.SetLayer(0, 0, 1, Picture::Paint(2, 6, 6, 3, [](int x, int) {
                   return Pixel{0, static_cast<std::uint8_t>(x % 2 == 0 ? 100 : 200)};
                 }));
  cells.SetLayer(0, 0, 2, Picture::Paint(3, 2, 3, 3, [](int x, int y) {
                   return x == 1 && y == 1 ? Pixel{1, 128} : Pixel{2, 255};
                 }));
  cells.SetLayer(0, 0, 3, Picture::Solid(8, 8, 4, 4, 0));
  cells.SetLayer(1, 0, 0, Picture::Solid(1, 1, 8, 8, 2));
  cells.SetLayer(1, 0, 2, Picture::Paint(2, 2, 4, 4, [](int x, int y) {
                   return Pixel{1, static_cast<std::uint8_t>((x + y) % 2 == 0 ? 200 : 0)};
                 }));
  cells.SetLayer(2, 0, 0, Picture::Solid(0, 0, 3, 3, 3));
  cells.SetLayer(0, 1, 0, Picture::Paint(1, 1, 4, 4, [](int x, int) {
                   return Pixel{static_cast<std::uint8_t>(x % 4), 255};
                 }));
  cells.SetLayer(1, 1, 3, Picture::Paint(0, 0, 4, 2, [](int x, int y) {
                   return Pixel{1, static_cast<std::uint8_t>(x + y == 0 ? 0 : 255)};
                 }));
  cells.SetLayer(2, 1, 0, Picture::Solid(0, 0, 2, 2, 1));

  Anim hops("hops", 2, 1);
  hops.packed = true;
  hops.palettes[0] = {Rgb(8, 96, 48), Rgb(176, 104, 32)};
  hops.palettes[1] = {Rgb(224, 0, 128)};
  hops.SetBox(0, 0, {0, 0, 6, 4});
  hops.SetBox(1, 0, {-3, -2, 3, 2});
  hops.SetLayer(0, 0, 0, Picture::Solid(1, 1, 5, 3, 0));
  hops.SetLayer(0, 0, 1, Picture::Paint(2, 1, 2, 2, [](int x, int) {
                  return Pixel{0, static_cast<std::uint8_t>(x == 0 ? 255 : 140)};
                }));
  hops.SetLayer(1, 0, 0, Picture::Paint(1, 1, 4, 3, [](int x, int y) {
                  return Pixel{static_cast<std::uint8_t>((x + y) % 2), 255};
                }));

  sprite.anims = {cells, hops};
  // A command marker: it and the three entries after it are no frames.
  sprite.AddSequence("walk", {0, -1, 1, -43, 2, 2, 2, 2, 0}, 0);
  sprite.AddSequence("idle", {1}, 0);
  sprite.AddSequence("blink", {2, 0}, 0);
  sprite.AddSequence("hop", {0, 1}, 1);
  return sprite;
}

// The GIFs of DrawingSprite with frames placed at their boxes in the union of the boxes.
const std::vector<Expected> kPlacedGifs = {
    {"blink_00.gif", 10, 10, false, {{0, 0, 0, 0, 0}}},
    {"blink_01.gif", 5, 9, true, {{0, 0, 1, 0, 0}}},
    {"hop.gif", 9, 6, true, {{1, 0, 0, 3, 2}, {1, 1, 0, 0, 0}}},
    {"idle_00.gif", 10, 10, false, {{0, 1, 0, 0, 0}}},
    {"idle_01.gif", 4, 2, false, {{0, 1, 1, 0, 0}}},
    {"walk_00.gif", 12, 12, true, {{0, 0, 0, 0, 2}, {0, 1, 0, 2, 0}, {0, 0, 0, 0, 2}}},
    {"walk_01.gif", 14, 12, true, {{0, 0, 1, 0, 0}, {0, 1, 1, 10, 10}, {0, 0, 1, 0, 0}}},
};

// The same with static anims: every frame at (0, 0), the canvas as large as the largest frame.
const std::vector<Expected> kStaticGifs = {
    {"blink_00.gif", 10, 10, false, {{0, 0, 0, 0, 0}}},
    {"blink_01.gif", 5, 6, true, {{0, 0, 1, 0, 0}}},
    {"hop.gif", 6, 4, true, {{1, 0, 0, 0, 0}, {1, 1, 0, 0, 0}}},
    {"idle_00.gif", 10, 10, false, {{0, 1, 0, 0, 0}}},
    {"idle_01.gif", 4, 2, false, {{0, 1, 1, 0, 0}}},
    {"walk_00.gif", 10, 10, true, {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 0, 0, 0}}},
    {"walk_01.gif", 5, 6, true, {{0, 0, 1, 0, 0}, {0, 1, 1, 0, 0}, {0, 0, 1, 0, 0}}},
};

class Gifs : public ExecutableTest {
 protected:
  void SetUp() override {
    ExecutableTest::SetUp();
    Write("sprite.spr", sprite_.Bytes());
  }

  // Checks every GIF of directory against expected: the file names, the logical screen, the
  // frames with their extensions, and the pixels against the reference compositor.
  void CheckGifs(const std::string& directory, const std::vector<Expected>& expected, int threshold,
                 Colour background) {
    std::vector<std::string> names;
    for (const Expected& gif : expected) names.push_back(gif.file);
    ASSERT_EQ(ListDirectory(dir_ + "/" + directory), names);

    for (const Expected& want : expected) {
      SCOPED_TRACE(directory + "/" + want.file);
      const DecodedGif gif = DecodeGifFile(dir_ + "/" + directory + "/" + want.file);
      EXPECT_EQ(gif.width, want.width);
      EXPECT_EQ(gif.height, want.height);
      ASSERT_EQ(gif.frames.size(), want.frames.size());
      const bool extensions = want.loop || threshold != -1;
      EXPECT_EQ(gif.version, extensions ? "89a" : "87a");

      std::vector<Canvas> canvases;
      for (const Placed& p : want.frames) {
        canvases.push_back(Composite(sprite_.anims[p.anim], p.frame, p.direction, want.width,
                                     want.height, p.x, p.y, threshold, background));
      }
      // The colours must survive the reduction exactly for a pixel-by-pixel comparison (the
      // transparent slot takes one entry).
      ASSERT_TRUE(ExactlyReducible(canvases, threshold == -1 ? 256 : 255));
      for (std::size_t i = 0; i < canvases.size(); ++i) {
        const testing::DecodedFrame& frame = gif.frames[i];
        EXPECT_EQ(frame.has_loop, want.loop && i == 0) << "frame " << i;
        if (frame.has_loop) {
          EXPECT_EQ(frame.loop_count, 0);
        }
        EXPECT_EQ(frame.has_gce, threshold != -1) << "frame " << i;
        if (frame.has_gce) {
          EXPECT_EQ(frame.disposal, 2);
          EXPECT_EQ(frame.delay, 0);
        }
        EXPECT_TRUE(FrameShows(gif, i, canvases[i], threshold == -1 ? nullptr : &background));
      }
    }
  }

  TestSprite sprite_ = DrawingSprite();
};

// Options apply to the files named after them: the GIFs of a are dithered, those of b not, which
// changes no byte where the reduction keeps every colour; those of c are run-length coded
// (every code stands for a run of one colour) and show the same frames.
TEST_F(Gifs, FramesAreCompositedAtTheirBoxesAndOptionsApplyToTheFilesAfterThem) {
  for (const char* copy : {"a.spr", "b.spr", "c.spr"})
    fs::copy_file(Path("sprite.spr"), Path(copy));
  const auto parsed = [](const std::string& file) {
    return "Parsing '" + file +
           "'\t4 sequence(s), 2 image collection(s)\n"
           "\twalk                 Ok \tidle                 Ok \n"
           "\tblink                Ok \thop                  Ok \n"
           "\n";
  };
  EXPECT_EQ(Run({"a.spr", "-d=0", "b.spr", "-l=0", "c.spr"}),
            kBanner + parsed("a") + "dithering=0\n" + parsed("b") + "use_lzw=0\n" + parsed("c") +
                Summary(3));
  for (const char* directory : {"a", "b", "c"}) CheckGifs(directory, kPlacedGifs, -1, 0);
  std::size_t lzw_mixed = 0;
  for (const Expected& want : kPlacedGifs) {
    SCOPED_TRACE(want.file);
    const auto lzw = testing::ReadFileBytes(Path("b/" + want.file));
    const auto rle = testing::ReadFileBytes(Path("c/" + want.file));
    EXPECT_EQ(testing::ReadFileBytes(Path("a/" + want.file)), lzw);
    for (const FrameCodes& codes : ReadFrameCodes(lzw)) lzw_mixed += codes.mixed_codes;
    for (const FrameCodes& codes : ReadFrameCodes(rle)) EXPECT_EQ(codes.mixed_codes, 0u);
    const DecodedGif a = testing::DecodeGif(lzw), b = testing::DecodeGif(rle);
    EXPECT_EQ(a.global_map, b.global_map);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (std::size_t i = 0; i < a.frames.size(); ++i)
      EXPECT_EQ(a.frames[i].indices, b.frames[i].indices);
  }
  EXPECT_GT(lzw_mixed, 0u);
}

TEST_F(Gifs, StaticAnimsDrawEveryFrameAtTheOrigin) {
  Run({"-s", "sprite.spr"});
  CheckGifs("sprite", kStaticGifs, -1, 0);
}

TEST_F(Gifs, BinaryTransparencyDrawsByThresholdAndMakesTheBackgroundTransparent) {
  fs::create_directory(dir_ + "/coloured");
  fs::create_directory(dir_ + "/strict");
  fs::copy_file(dir_ + "/sprite.spr", dir_ + "/coloured/sprite.spr");
  fs::copy_file(dir_ + "/sprite.spr", dir_ + "/strict/sprite.spr");
  Write("list.txt", "coloured/sprite.spr\n");
  Write("list2.txt", "strict/sprite.spr\n");
  Run({"-b", "sprite.spr", "-bg=#3050A0", "@list.txt", "-t=200", "-s", "@list2.txt"});
  CheckGifs("sprite", kPlacedGifs, 128, 0);
  CheckGifs("coloured/sprite", kPlacedGifs, 128, Rgb(0x30, 0x50, 0xA0));
  CheckGifs("strict/sprite", kStaticGifs, 200, Rgb(0x30, 0x50, 0xA0));
}

// One GIF per direction, named by the direction: none for one direction, compass names for
// four and eight, two hexadecimal digits for any other count.
TEST_F(Gifs, EachDirectionIsWrittenUnderItsName) {
  TestSprite sprite(2, 2);
  for (const int directions : {1, 4, 8, 5}) {
    Anim anim("dirs", 1, directions);
    anim.packed = directions == 8;
    for (int d = 0; d < directions; ++d) {
      anim.palettes[0].push_back(Rgb(16 + 24 * d, 200 - 16 * d, 8 * directions));
      anim.SetBox(0, d, {d, -d, d + 2, 2 - d});
      anim.SetLayer(0, d, 0, Picture::Solid(0, 0, 2, 2, static_cast<std::uint8_t>(d)));
    }
    sprite.AddSequence("walk" + std::to_string(directions), {0},
                       static_cast<std::uint16_t>(sprite.anims.size()));
    sprite.anims.push_back(anim);
  }
  Write("dirs.spr", sprite.Bytes());
  Run({"dirs.spr"});
  const std::vector<std::pair<std::string, std::vector<std::string>>> names = {
      {"walk1", {""}},
      {"walk4", {"_NW", "_NE", "_SE", "_SW"}},
      {"walk8", {"_NW", "_N", "_NE", "_E", "_SE", "_S", "_SW", "_W"}},
      {"walk5", {"_00", "_01", "_02", "_03", "_04"}}};
  std::vector<std::string> files;
  for (std::size_t a = 0; a < names.size(); ++a) {
    const auto& [sequence, suffixes] = names[a];
    for (std::size_t d = 0; d < suffixes.size(); ++d) {
      const std::string file = sequence + suffixes[d] + ".gif";
      files.push_back(file);
      const DecodedGif gif = DecodeGifFile(dir_ + "/dirs/" + file);
      ASSERT_EQ(gif.frames.size(), 1u);
      EXPECT_TRUE(FrameShows(gif, 0, Canvas(2, 2, sprite.anims[a].palettes[0][d]))) << file;
    }
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(ListDirectory(dir_ + "/dirs"), files);
}

// A sprite whose sequences draw nothing: no frame at all, or only frames without extent.
TestSprite BlankSprite() {
  TestSprite sprite(7, 5);
  Anim parts("parts", 3, 1);
  parts.palettes[0] = {Rgb(200, 40, 40)};
  parts.SetBox(0, 0, {2, 2, 2, 2});  // no extent
  parts.SetBox(1, 0, {4, 4, 1, 1});  // negative extent
  parts.SetBox(2, 0, {0, 0, 0, 0});  // nothing to draw
  for (int f = 0; f < 3; ++f) parts.SetLayer(f, 0, 0, Picture::Solid(0, 0, 3, 3, 0));
  sprite.anims = {parts};
  sprite.AddSequence("none", {-1, -5, 2, 9}, 0);  // 9 names no frame of the collection
  sprite.AddSequence("empty", {}, 0);
  sprite.AddSequence("flat", {0, 1, 0}, 0);
  return sprite;
}

class GifEdges : public ExecutableTest {};

// A direction without a drawn frame shows one frame of plain background at the sprite's size,
// at least one pixel on each side, without a loop, also when frames without extent were
// counted; with binary transparency that frame is all transparent.
TEST_F(GifEdges, ADirectionWithoutADrawnFrameShowsThePlainBackground) {
  struct Case {
    std::string file;
    std::int32_t width, height;
    bool binary;
    Colour background;
  };
  const Case cases[] = {{"plain", 7, 5, false, Rgb(0x11, 0x22, 0x33)},
                        {"flat", 0, -3, false, Rgb(0x11, 0x22, 0x33)},
                        {"thin", -1, 4, false, Rgb(0x11, 0x22, 0x33)},
                        {"binary", 7, 5, true, 0},
                        {"flat_binary", 0, -3, true, 0},
                        {"thin_binary", -1, 4, true, 0},
                        {"coloured", 7, 5, true, Rgb(0x12, 0x34, 0x56)}};
  for (const Case& c : cases) {
    TestSprite sprite = BlankSprite();
    sprite.width = c.width;
    sprite.height = c.height;
    Write(c.file + ".spr", sprite.Bytes());
  }
  const auto parsed = [](const std::string& file) {
    return "Parsing '" + file +
           "'\t3 sequence(s), 1 image collection(s)\n"
           "\tnone                 Ok \tempty                Ok \n"
           "\tflat                 Ok \n";
  };
  EXPECT_EQ(Run({"-bg=#123", "plain.spr", "flat.spr", "thin.spr", "-b", "-bg=#000", "binary.spr",
                 "flat_binary.spr", "thin_binary.spr", "-bg=#123456", "coloured.spr"}),
            kBanner + "bgcolor=#123\n" + parsed("plain") + parsed("flat") + parsed("thin") +
                "use_binary_transparency=1\nbgcolor=#000\n" + parsed("binary") +
                parsed("flat_binary") + parsed("thin_binary") + "bgcolor=#123456\n" +
                parsed("coloured") + Summary(7));
  for (const Case& c : cases) {
    for (const std::string name : {"empty.gif", "flat.gif", "none.gif"}) {
      SCOPED_TRACE(c.file + "/" + name);
      const DecodedGif gif = DecodeGifFile(dir_ + "/" + c.file + "/" + name);
      EXPECT_EQ(gif.version, c.binary ? "89a" : "87a");
      EXPECT_EQ(gif.width, std::max(1, c.width));
      EXPECT_EQ(gif.height, std::max(1, c.height));
      ASSERT_EQ(gif.frames.size(), 1u);
      const testing::DecodedFrame& frame = gif.frames[0];
      EXPECT_FALSE(frame.has_loop);
      EXPECT_EQ(frame.has_gce, c.binary);
      EXPECT_EQ(frame.disposal, c.binary ? 2 : 0);
      EXPECT_TRUE(FrameShows(gif, 0, Canvas(gif.width, gif.height, c.background),
                             c.binary ? &c.background : nullptr));
    }
  }
}

// The largest canvas a GIF can hold converts; one pixel more fails (see the console tests).
TEST_F(GifEdges, ACanvasOfTheLargestGifSideConverts) {
  TestSprite sprite;
  Anim anim("long", 1, 1);
  anim.palettes[0] = {Rgb(90, 160, 30)};
  anim.SetBox(0, 0, {-65000, 0, 535, 1});
  anim.SetLayer(0, 0, 0, Picture::Solid(65000, 0, 2, 1, 0));
  sprite.anims = {anim};
  sprite.AddSequence("long", {0}, 0);
  Write("long.spr", sprite.Bytes());
  Run({"long.spr"});
  const DecodedGif gif = DecodeGifFile(dir_ + "/long/long.gif");
  EXPECT_EQ(gif.width, 65535);
  EXPECT_EQ(gif.height, 1);
  ASSERT_EQ(gif.frames.size(), 1u);
  Canvas expected(65535, 1, 0);
  expected.pixels[65000] = expected.pixels[65001] = Rgb(90, 160, 30);
  EXPECT_TRUE(FrameShows(gif, 0, expected));
}

// With binary transparency the colour that ends up transparent is found in each frame's own
// colour table first. The reduced table is padded with black, so a black background is found
// in the padding, which no pixel uses; such a frame then takes the index of its first
// background pixel as transparent, whatever its top-left pixel shows. A frame that shows no
// background at all stays opaque.
TEST_F(GifEdges, ATransparentColourFoundUnusedFallsBackToTheFirstBackgroundPixel) {
  TestSprite sprite(4, 4);
  Anim anim("a", 2, 1);
  anim.palettes[0] = {Rgb(200, 40, 40), Rgb(40, 200, 40)};
  anim.SetBox(0, 0, {0, 0, 3, 2});
  anim.SetBox(1, 0, {0, 0, 3, 2});
  anim.SetLayer(0, 0, 0, Picture::Paint(0, 0, 3, 2, [](int x, int y) {
                  return Pixel{static_cast<std::uint8_t>(x + y == 0 ? 0 : 1),
                               static_cast<std::uint8_t>(x == 2 && y == 1 ? 0 : 255)};
                }));
  anim.SetLayer(1, 0, 0, Picture::Solid(0, 0, 3, 2, 1));
  sprite.anims = {anim};
  sprite.AddSequence("corner", {0}, 0);
  sprite.AddSequence("full", {1}, 0);
  Write("a.spr", sprite.Bytes());
  Run({"-b", "a.spr"});

  const DecodedGif corner = DecodeGifFile(dir_ + "/a/corner.gif");
  ASSERT_EQ(corner.frames.size(), 1u);
  const Colour red = Rgb(200, 40, 40);
  Canvas shown(3, 2, Rgb(40, 200, 40));
  shown.pixels[0] = red;
  shown.pixels[5] = 0;
  const Colour black = 0;
  EXPECT_TRUE(FrameShows(corner, 0, shown, &black));

  const DecodedGif full = DecodeGifFile(dir_ + "/a/full.gif");
  ASSERT_EQ(full.frames.size(), 1u);
  EXPECT_TRUE(FrameShows(full, 0, Canvas(3, 2, Rgb(40, 200, 40))));
}

}  // namespace
}  // namespace morvane::e2e
