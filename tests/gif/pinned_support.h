// Fixed test canvases and the converter's sequence of GIF calls for one animation direction.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gif/binary_transparency.h"
#include "gif/color_map_optimizer.h"
#include "gif/frame_builder.h"
#include "gif/gif_image.h"
#include "gif/gif_writer.h"

namespace morvane::gif::pinned {

constexpr ColorValue Rgb(unsigned r, unsigned g, unsigned b) {
  return r | g << 8 | b << 16;
}

// Smooth ramps over all three channels: thousands of colours.
inline RgbCanvas Gradient(int width, int height, int variant = 0) {
  RgbCanvas canvas(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      canvas.SetPixel(x, y,
                      Rgb(static_cast<unsigned>(x * 4 + variant * 16) % 256,
                          static_cast<unsigned>(y * 5 + variant * 7) % 256,
                          static_cast<unsigned>((x + y) * 2 + variant * 40) % 256));
  return canvas;
}

// Colours from a fixed linear congruential generator.
inline RgbCanvas Noise(int width, int height, std::uint32_t seed) {
  RgbCanvas canvas(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      canvas.SetPixel(x, y, seed >> 8);
    }
  return canvas;
}

// The i-th of 256 colours that each own a 5-bit cell (no two share one).
inline ColorValue CellColour(int i) {
  const auto u = static_cast<unsigned>(i);
  return Rgb(8 * (u % 8) + 3, 8 * (u / 8 % 8) + 5, 8 * (u / 64) + 200);
}

// A flat background with a shaded figure that moves with the frame number, like a sprite frame.
inline RgbCanvas Sprite(int width, int height, int frame, ColorValue background) {
  RgbCanvas canvas(width, height);
  canvas.FillRect(0, 0, width, height, background);
  const int cx = width / 3 + 3 * frame, cy = height / 2;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
      if (d2 < 144) {
        const auto shade = static_cast<unsigned>(d2);
        canvas.SetPixel(x, y, Rgb(200 - shade, 120 - shade / 2, 40 + shade / 3 + x % 3));
      } else if (dy > 8 && dy < 11 && dx > -15 && dx < 15) {
        canvas.SetPixel(x, y, Rgb(30, 30, 30 + 10 * static_cast<unsigned>(frame)));
      }
    }
  return canvas;
}

struct ConvertOptions {
  bool dither = false;
  bool rle = false;
  bool transparent = false;
  ColorValue background = 0;
};

// What the converter does for one direction: frames added from canvases, the loop extension on
// the first of several frames, binary transparency when it is on, and the shared colour map.
inline std::unique_ptr<GifImage> BuildGif(const std::vector<RgbCanvas>& canvases,
                                          const ConvertOptions& options) {
  auto image = std::make_unique<GifImage>();
  ReductionSettings reduction;
  reduction.dither_method = options.dither ? kDitherFloydSteinberg : kDitherNearest;
  image->SetBackgroundColor(options.background);
  BinaryTransparency transparency(options.background);
  for (std::size_t i = 0; i < canvases.size(); ++i) {
    GifFrame& frame = image->FrameAt(image->AddFrame(BuildFrame(canvases[i], reduction)));
    if (canvases.size() > 1 && i == 0) frame.AddExtension(LoopExtension());
    if (options.transparent) transparency.AddFrame(*image, frame, canvases[i]);
  }
  if (options.transparent) {
    transparency.OptimizeColorMaps(*image);
  } else {
    OptimizeColorMaps(*image);
  }
  return image;
}

inline std::vector<std::uint8_t> ConvertToBytes(const std::vector<RgbCanvas>& canvases,
                                                const ConvertOptions& options) {
  std::vector<std::uint8_t> bytes;
  WriteGif(*BuildGif(canvases, options),
           options.rle ? FrameCompression::kRunLength : FrameCompression::kLzw, bytes);
  return bytes;
}

}  // namespace morvane::gif::pinned
