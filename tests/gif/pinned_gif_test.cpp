// Whole GIF files from fixed canvases, pinned byte for byte: the small ones spelled out, the
// others by an FNV-1a 64 checksum, so that no later change to the reduction, the optimiser or
// the writer alters the output unnoticed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pinned_support.h"
#include "support/giflib_reader.h"

namespace morvane::gif {
namespace {

using pinned::ConvertOptions;
using pinned::ConvertToBytes;
using pinned::Rgb;

constexpr ColorValue kRed = Rgb(255, 0, 0);
constexpr ColorValue kGreen = Rgb(0, 255, 0);
constexpr ColorValue kMagenta = Rgb(255, 0, 255);

std::uint64_t Fnv1a64(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
  return text;
}

// Four pixels red, red, red, green. The octree lists green (top bits 010) before red (100),
// so the local map is green, red, then black; red is used 3 times, green once, so the global
// map is red, green (sorted). One frame without extensions: "GIF87a"; screen 4 x 1, packed
// 0x88 (global table, sorted, 2 entries). The frame's indices 0 0 0 1 with minimum code size 2
// are coded alike by both encoders: clear 4, 0, 6 (the pair 0 0), 1 at 3 bits, then the end
// code 5 at 4 bits (the width grows once code 8 would be next): bytes 84 53.
TEST(PinnedGif, FourPixelsSpelledOut) {
  RgbCanvas canvas(4, 1);
  canvas.FillRect(0, 0, 4, 1, kRed);
  canvas.SetPixel(3, 0, kGreen);
  const std::vector<std::uint8_t> expected{'G',  'I',  'F',  '8',  '7',  'a',         // signature
                                           0x04, 0x00, 0x01, 0x00, 0x88, 0x00, 0x00,  // screen
                                           0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00,        // red, green
                                           0x2C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00,
                                           0x01, 0x00, 0x00,              // descriptor
                                           0x02, 0x02, 0x84, 0x53, 0x00,  // data
                                           0x3B};
  for (bool rle : {false, true}) {
    ConvertOptions options;
    options.rle = rle;
    options.background = kRed;
    EXPECT_EQ(ConvertToBytes({canvas}, options), expected) << "rle " << rle;
  }
}

// Background, red, red, green with transparency in the background colour. Local map green,
// red, magenta (tree order 010, 100, 101); the transparent index is magenta's, 2. Magenta
// pixels are not counted: global map red, green and the black transparent slot, padded to 4
// (packed 0x99). Indices 2 0 0 1: clear 4, 2, 0, 0 at 3 bits (code 8 is next after the third),
// 1 and end 5 at 4 bits: bytes 14 10 05.
TEST(PinnedGif, TransparentFourPixelsSpelledOut) {
  RgbCanvas canvas(4, 1);
  canvas.FillRect(0, 0, 4, 1, kRed);
  canvas.SetPixel(0, 0, kMagenta);
  canvas.SetPixel(3, 0, kGreen);
  const std::vector<std::uint8_t> expected{
      'G',  'I',  'F',  '8',  '9',  'a',                                       // signature
      0x04, 0x00, 0x01, 0x00, 0x99, 0x00, 0x00,                                // screen
      0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // map
      0x21, 0xF9, 0x04, 0x09, 0x00, 0x00, 0x02, 0x00,                          // graphic control
      0x2C, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00,              // descriptor
      0x02, 0x03, 0x14, 0x10, 0x05, 0x00,                                      // data
      0x3B};
  for (bool rle : {false, true}) {
    ConvertOptions options;
    options.rle = rle;
    options.transparent = true;
    options.background = kMagenta;
    EXPECT_EQ(ConvertToBytes({canvas}, options), expected) << "rle " << rle;
  }
}

struct PinnedCase {
  const char* name;
  std::vector<RgbCanvas> canvases;
  ConvertOptions options;
  std::uint64_t checksum;
};

ConvertOptions Options(bool dither, bool rle, bool transparent = false, ColorValue background = 0) {
  ConvertOptions options;
  options.dither = dither;
  options.rle = rle;
  options.transparent = transparent;
  options.background = background;
  return options;
}

std::vector<PinnedCase> Cases() {
  using pinned::Gradient;
  using pinned::Noise;
  using pinned::Sprite;
  const ColorValue background = Rgb(255, 0, 255);
  std::vector<RgbCanvas> cells;
  {
    RgbCanvas canvas(16, 16);
    for (int i = 0; i < 256; ++i) canvas.SetPixel(i % 16, i / 16, pinned::CellColour(i * 37 % 200));
    cells.push_back(std::move(canvas));
  }
  std::vector<RgbCanvas> sprite;
  for (int f = 0; f < 3; ++f) sprite.push_back(Sprite(48, 40, f, background));
  return {
      {"gradient", {Gradient(64, 48)}, Options(false, false), 0x655f47ea13eb9ee2ull},
      {"gradient dithered", {Gradient(64, 48)}, Options(true, false), 0xcca26b25aa024e9bull},
      {"gradient dithered rle", {Gradient(64, 48)}, Options(true, true), 0x091f33b472b29c1cull},
      {"noise", {Noise(40, 30, 1)}, Options(false, false), 0xbeab194ffc7310aaull},
      {"noise dithered", {Noise(40, 30, 1)}, Options(true, false), 0x3669e1593303437bull},
      {"noise dithered rle", {Noise(40, 30, 1)}, Options(true, true), 0x1d325d33964e599eull},
      {"cells", cells, Options(false, false), 0xbd0cd573f5cfedb7ull},
      {"gradients over 256",
       {Gradient(50, 40, 0), Gradient(50, 40, 1), Gradient(50, 40, 2)},
       Options(false, false),
       0x059d9ce947c2f40eull},
      {"gradients over 256 dithered rle",
       {Gradient(50, 40, 0), Gradient(50, 40, 1), Gradient(50, 40, 2)},
       Options(true, true),
       0xb22d915c02a55509ull},
      {"sprite", sprite, Options(false, false, false, background), 0x99973d8c2d4bb845ull},
      {"sprite transparent", sprite, Options(false, false, true, background),
       0xccd779b8e89c2632ull},
      {"sprite transparent dithered", sprite, Options(true, false, true, background),
       0x6ee5488d57400243ull},
      {"sprite transparent dithered rle", sprite, Options(true, true, true, background),
       0x431306c939ba5b0bull},
      {"large noise dithered", {Noise(256, 256, 5)}, Options(true, false), 0xefa22ce295b725c9ull},
      // Noise never shows the background colour: frames whose transparent colour vanished in
      // the merge stay opaque.
      {"noise frames transparent dithered",
       {Noise(30, 20, 9), Noise(30, 20, 10), Noise(30, 20, 11)},
       Options(true, false, true, Rgb(1, 2, 3)),
       0x67d67332370af847ull},
      {"noise frames transparent dithered rle",
       {Noise(30, 20, 9), Noise(30, 20, 10), Noise(30, 20, 11)},
       Options(true, true, true, Rgb(1, 2, 3)),
       0xeac32d1e0ad89bfeull},
  };
}

TEST(PinnedGif, Checksums) {
  for (const PinnedCase& c : Cases()) {
    const std::vector<std::uint8_t> bytes = ConvertToBytes(c.canvases, c.options);
    EXPECT_EQ(Hex(Fnv1a64(bytes)), Hex(c.checksum)) << c.name << " (" << bytes.size() << " bytes)";
    EXPECT_EQ(testing::DecodeGif(bytes).frames.size(), c.canvases.size()) << c.name;
  }
}

}  // namespace
}  // namespace morvane::gif
