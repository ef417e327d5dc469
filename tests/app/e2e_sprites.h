// Test sprites described by what they show, a reference compositor that draws their frames
// independently of the converter, and checks of written GIFs against the expected canvases.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sprwriter/sprwriter.h"
#include "support/giflib_reader.h"

namespace morvane::e2e {

using sprwriter::Box;
using sprwriter::Colour;
using sprwriter::Pixel;

constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

// A layer image: palette indexes and alphas, row by row, placed at (left, top) of the frame.
struct Picture {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::vector<Pixel> pixels;

  static Picture Solid(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                       std::uint8_t index, std::uint8_t alpha = 255);
  static Picture Paint(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                       const std::function<Pixel(int x, int y)>& pixel);
};

// An animation collection: F x D frame boxes, four palettes, and a picture per
// (frame, direction, layer) that has one.
struct Anim {
  Anim() = default;
  Anim(std::string anim_name, std::int32_t frame_count, std::int32_t direction_count)
      : name(std::move(anim_name)), frames(frame_count), directions(direction_count) {}

  std::string name;
  std::int32_t frames = 0;
  std::int32_t directions = 0;
  bool packed = false;
  std::array<std::vector<Colour>, 4> palettes;
  std::vector<Box> boxes;  // frame-major
  std::map<sprwriter::SubImageKey, Picture> layers;

  void SetBox(std::int32_t frame, std::int32_t direction, Box box);
  void SetLayer(std::int32_t frame, std::int32_t direction, int layer, Picture picture);
  Box BoxOf(std::int32_t frame, std::int32_t direction) const;
  sprwriter::Collection ToCollection() const;
};

// A sprite of one or more collections and its sequences.
struct TestSprite {
  TestSprite() = default;
  TestSprite(std::int32_t sprite_width, std::int32_t sprite_height)
      : width(sprite_width), height(sprite_height) {}

  std::int32_t width = 0, height = 0;
  std::vector<Anim> anims;
  std::vector<sprwriter::Sequence> sequences;

  void AddSequence(const std::string& name, std::vector<std::int16_t> frames,
                   std::uint16_t collection);
  sprwriter::Sprite ToSprite() const;
  std::string Bytes() const;
};

// A sprite of one collection with one frame in one direction: a w x h image of palette
// entries 1 to 255 (noise when noisy, else the one colour kOneFrameColour), played by a
// sequence of each name.
TestSprite OneFrameSprite(std::int32_t w, std::int32_t h, bool noisy = false,
                          const std::vector<std::string>& sequences = {"walk"});
inline constexpr Colour kOneFrameColour = (7 * 2654435761u) & 0xFFFFFFu;

// The bytes of a sprite with the version in its opening tag changed: the reader refuses it.
std::string WrongVersion(std::string sprite_bytes);

// The bytes of a sprite built directly with the sprite writer.
std::string Bytes(const sprwriter::Sprite& sprite);

// A true-colour canvas of colour values 0x00BBGGRR.
struct Canvas {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  Canvas(int w, int h, Colour fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// What the converter must draw for one frame, worked out here from the pictures: a canvas of
// width x height filled with background, then layers 0 to 3, each picture placed at
// origin + (left, top) and drawn with its layer's palette. threshold -1 blends each pixel of
// alpha a over the canvas, channel by channel ((255 - a) * canvas + a * colour) / 255;
// any other threshold draws the pixels of alpha at least threshold unblended.
Canvas Composite(const Anim& anim, std::int32_t frame, std::int32_t direction, int width,
                 int height, int origin_x, int origin_y, int threshold, Colour background);

// The same frame as the full-alpha outputs show it: a transparent canvas of straight-alpha
// values 0xAABBGGRR, each pixel of colour c and alpha a drawn over the canvas pixel (C, A) as
// T = 255 a + A (255 - a), A' = T / 255, C' = (255 c a + C A (255 - a)) / T per channel.
Canvas CompositeFullAlpha(const Anim& anim, std::int32_t frame, std::int32_t direction, int width,
                          int height, int origin_x, int origin_y);

// True when the colour reduction keeps every colour of these frames exactly: at most limit
// colours over all frames, and in each frame no two colours in one 5-bit-per-channel cell.
::testing::AssertionResult ExactlyReducible(const std::vector<Canvas>& frames,
                                            std::size_t limit = 256);

// Frame i of gif is a full-size frame at (0, 0) showing expected. With transparent_background,
// its pixels are transparent exactly where expected shows that colour; otherwise the frame
// has no transparency.
::testing::AssertionResult FrameShows(const testing::DecodedGif& gif, std::size_t i,
                                      const Canvas& expected,
                                      const Colour* transparent_background = nullptr);

// The codes of one frame's image data, read with the GIF decoder's string table: how many
// codes there were and how many of them stood for strings of more than one colour. The
// run-length coder only ever sends one-colour strings.
struct FrameCodes {
  int min_code_size = 0;
  std::size_t codes = 0;
  std::size_t mixed_codes = 0;
};
std::vector<FrameCodes> ReadFrameCodes(const std::vector<std::uint8_t>& gif);

}  // namespace morvane::e2e
