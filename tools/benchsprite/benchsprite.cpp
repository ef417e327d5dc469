#include "benchsprite/benchsprite.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morvane::benchsprite {

namespace {

using sprwriter::Colour;
using sprwriter::Pixel;
using sprwriter::Zar;

constexpr double kPi = std::numbers::pi;

Colour Rgb(double r, double g, double b) {
  auto channel = [](double v) { return static_cast<Colour>(std::clamp(v, 0.0, 255.0)); };
  return channel(r) | channel(g) << 8 | channel(b) << 16;
}

// A ramp of count colours from one colour to another through a middle one.
std::vector<Colour> Ramp(int count, const double (&from)[3], const double (&mid)[3],
                         const double (&to)[3]) {
  std::vector<Colour> colours;
  for (int i = 0; i < count; ++i) {
    const double t = count > 1 ? 2.0 * i / (count - 1) : 0;
    const double(&a)[3] = t < 1 ? from : mid;
    const double(&b)[3] = t < 1 ? mid : to;
    const double u = t < 1 ? t : t - 1;
    colours.push_back(
        Rgb(a[0] + (b[0] - a[0]) * u, a[1] + (b[1] - a[1]) * u, a[2] + (b[2] - a[2]) * u));
  }
  return colours;
}

std::array<sprwriter::LayerPalette, 4> Palettes() {
  std::array<sprwriter::LayerPalette, 4> palettes;
  palettes[0].colours = {Rgb(24, 18, 36)};  // alpha-only shadow
  palettes[1].colours = Ramp(256, {12, 20, 60}, {70, 120, 200}, {240, 230, 210});
  palettes[2].colours = Ramp(256, {60, 20, 10}, {200, 120, 40}, {255, 250, 180});
  palettes[3].colours = Ramp(64, {90, 200, 255}, {255, 255, 255}, {255, 170, 220});
  return palettes;
}

// One layer image being painted, width x height pixels.
struct Canvas {
  int width, height;
  std::vector<Pixel> pixels;
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
  Pixel& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Coverage of a pixel by an ellipse, fading out over about one pixel at the rim.
double Cover(double x, double y, double cx, double cy, double rx, double ry, double* depth) {
  const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (depth != nullptr) *depth = r < 1 ? std::sqrt(1 - r * r) : 0;
  return std::clamp((1.0 - r) * std::min(rx, ry) + 0.5, 0.0, 1.0);
}

std::uint8_t Alpha(double cover) {
  return static_cast<std::uint8_t>(std::lround(cover * 255));
}

}  // namespace

std::array<Zar, 4> CellLayers(const Shape& shape, std::int32_t frame, std::int32_t direction) {
  const int s = shape.size;
  const double phase = 2 * kPi * frame / std::max(shape.frames, 1);
  const double facing = 2 * kPi * direction / std::max(shape.directions, 1);
  const double light[3] = {std::cos(facing) * 0.6, -0.5, 0.62};

  // Shadow: alpha only, a soft ellipse on the ground.
  Canvas shadow(s * 7 / 8, s / 5);
  for (int y = 0; y < shadow.height; ++y)
    for (int x = 0; x < shadow.width; ++x) {
      const double c = Cover(x, y, shadow.width / 2.0, shadow.height / 2.0, shadow.width / 2.0,
                             shadow.height / 2.0, nullptr);
      shadow.At(x, y) = Pixel{0, static_cast<std::uint8_t>(c * 120)};
    }

  // Body: a lit ellipsoid that sways with the step, shaded through a 256-colour ramp.
  Canvas body(s * 5 / 8, s * 7 / 8);
  const double sway = std::sin(phase) * s / 40.0;
  for (int y = 0; y < body.height; ++y)
    for (int x = 0; x < body.width; ++x) {
      double depth = 0;
      const double cx = body.width / 2.0 + sway, cy = body.height / 2.0;
      const double c = Cover(x, y, cx, cy, body.width / 2.0 - 2, body.height / 2.0 - 2, &depth);
      if (c <= 0) continue;
      const double nx = (x + 0.5 - cx) / (body.width / 2.0),
                   ny = (y + 0.5 - cy) / (body.height / 2.0);
      const double lit = std::clamp(nx * light[0] + ny * light[1] + depth * light[2], 0.0, 1.0);
      body.At(x, y) = Pixel{static_cast<std::uint8_t>(lit * 255), Alpha(c)};
    }

  // Armour: turning bands over the chest, opaque inside with soft edges.
  Canvas armour(s / 2, s / 2);
  for (int y = 0; y < armour.height; ++y)
    for (int x = 0; x < armour.width; ++x) {
      double depth = 0;
      const double c = Cover(x, y, armour.width / 2.0, armour.height / 2.0, armour.width / 2.0 - 1,
                             armour.height / 2.5, &depth);
      if (c <= 0) continue;
      const double band = std::sin((x + y) * 0.15 + phase * 2 + facing) * 0.5 + 0.5;
      const double v = std::clamp(0.25 + 0.5 * band * depth + 0.25 * depth, 0.0, 1.0);
      armour.At(x, y) = Pixel{static_cast<std::uint8_t>(v * 255), Alpha(c)};
    }

  // Glow: a faint halo over the whole frame that circles the figure.
  Canvas glow(s, s);
  const double gx = s / 2.0 + std::cos(phase + facing) * s / 4.0;
  const double gy = s / 2.0 + std::sin(phase) * s / 5.0;
  for (int y = 0; y < glow.height; ++y)
    for (int x = 0; x < glow.width; ++x) {
      const double dx = (x - gx) / s, dy = (y - gy) / s;
      const double d2 = dx * dx + dy * dy;
      const int alpha = static_cast<int>(150 * std::exp(-d2 * 9));
      if (alpha <= 0) continue;
      const double angle = std::atan2(dy, dx) / (2 * kPi) + 0.5;
      glow.At(x, y) =
          Pixel{static_cast<std::uint8_t>(1 + angle * 62), static_cast<std::uint8_t>(alpha)};
    }

  return {Zar::FromPixels(s / 16, s - shadow.height, shadow.width, shadow.height, shadow.pixels),
          Zar::FromPixels(s * 3 / 16, s / 16, body.width, body.height, body.pixels),
          Zar::FromPixels(s / 4, s / 5, armour.width, armour.height, armour.pixels),
          Zar::FromPixels(0, 0, glow.width, glow.height, glow.pixels)};
}

sprwriter::Sprite LargeSprite(const Shape& shape) {
  sprwriter::Sprite sprite;
  sprite.width = shape.size;
  sprite.height = shape.size;

  sprwriter::Collection march;
  march.name = "march";
  march.frame_count = shape.frames;
  march.direction_count = shape.directions;
  march.images.packed = true;
  march.images.palettes = Palettes();
  for (std::int32_t d = 0; d < shape.directions; ++d)
    for (std::int32_t f = 0; f < shape.frames; ++f) {
      march.SetBox(f, d, sprwriter::Box{-shape.size / 2, -shape.size, shape.size / 2, 0});
      std::array<Zar, 4> layers = CellLayers(shape, f, d);
      for (int layer = 0; layer < 4; ++layer)
        march.SetSubImage(f, d, layer, std::move(layers[static_cast<std::size_t>(layer)]));
    }
  sprite.collections = {std::move(march)};

  sprwriter::Sequence sequence;
  sequence.name = "march";
  for (std::int32_t f = 0; f < shape.frames; ++f)
    sequence.frames.push_back(static_cast<std::int16_t>(f));
  sprite.sequences = {sequence};
  return sprite;
}

}  // namespace morvane::benchsprite
