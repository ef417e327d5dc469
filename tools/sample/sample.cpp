#include "sample/sample.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morvane::sample {

namespace {

using sprwriter::Box;
using sprwriter::Colour;
using sprwriter::Pixel;
using sprwriter::Zar;

constexpr int kWidth = 40;  // every layer image covers the frame box
constexpr int kHeight = 56;
constexpr int kShadow = 0, kBody = 1, kHead = 2, kGlow = 3;

Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}

// One layer being painted: a palette index and an alpha per pixel.
class Layer {
 public:
  Layer() : pixels_(kWidth * kHeight) {}

  // A filled ellipse whose rim fades out over about one pixel.
  void Ellipse(double cx, double cy, double rx, double ry, std::uint8_t index, int alpha = 255) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(rx, ry);
        const double cover = std::clamp(edge + 0.5, 0.0, 1.0);
        Put(x, y, index, static_cast<int>(cover * alpha));
      }
    }
  }
  void Rect(int left, int top, int right, int bottom, std::uint8_t index, int alpha = 255) {
    for (int y = std::max(top, 0); y < std::min(bottom, kHeight); ++y)
      for (int x = std::max(left, 0); x < std::min(right, kWidth); ++x) Put(x, y, index, alpha);
  }
  Zar ToZar() const { return Zar::FromPixels(0, 0, kWidth, kHeight, pixels_); }

 private:
  // Paints over what the layer holds, keeping the stronger alpha.
  void Put(int x, int y, std::uint8_t index, int alpha) {
    if (alpha <= 0) return;
    Pixel& p = pixels_[static_cast<std::size_t>(y) * kWidth + x];
    if (alpha >= p.alpha || alpha == 255) p = Pixel{index, static_cast<std::uint8_t>(alpha)};
  }
  std::vector<Pixel> pixels_;
};

// Palettes, one per layer. Entry 0 of the shadow palette is the colour of alpha-only runs.
std::array<sprwriter::LayerPalette, 4> Palettes() {
  std::array<sprwriter::LayerPalette, 4> palettes;
  palettes[kShadow].colours = {Rgb(20, 16, 30)};
  palettes[kBody].colours = {Rgb(0, 0, 0),      Rgb(52, 96, 170), Rgb(36, 66, 120),
                             Rgb(90, 60, 40),   Rgb(60, 40, 28),  Rgb(230, 190, 150),
                             Rgb(200, 160, 60), Rgb(40, 30, 30)};
  palettes[kHead].colours = {Rgb(0, 0, 0), Rgb(236, 196, 156), Rgb(120, 70, 30), Rgb(30, 30, 60),
                             Rgb(200, 120, 110)};
  palettes[kGlow].colours = {Rgb(255, 240, 150), Rgb(255, 200, 80), Rgb(120, 220, 255)};
  return palettes;
}

// The figure in one pose. facing: direction angle in radians, 0 = south (towards the viewer),
// pi/2 = east (screen right), pi = north (away from the viewer); step: -1..1 leg swing; bob:
// vertical body offset; wave: raised right arm.
std::array<Zar, 4> Figure(double facing, double step, int bob, bool wave, double glow) {
  const double side = std::sin(facing);   // -1 left .. 1 right
  const double front = std::cos(facing);  // 1 facing the viewer, -1 away
  std::array<Layer, 4> layers;

  layers[kShadow].Ellipse(20, 52, 12, 3.5, 0, 110);

  Layer& body = layers[kBody];
  const int legs = static_cast<int>(std::lround(step * 3));
  body.Rect(14 - legs, 38 + bob, 19 - legs, 50, 2);  // left leg
  body.Rect(21 + legs, 38 + bob, 26 + legs, 50, 2);  // right leg
  // Boots, their toes pointing the way the figure faces.
  const int toes = static_cast<int>(std::lround(side * 3));
  body.Rect(13 - legs + std::min(toes, 0), 48, 19 - legs + std::max(toes, 0), 52, 7);
  body.Rect(21 + legs + std::min(toes, 0), 48, 27 + legs + std::max(toes, 0), 52, 7);
  body.Ellipse(20, 30 + bob, 9, 11, 1);      // torso
  body.Rect(12, 36 + bob, 28, 38 + bob, 6);  // belt
  const int arm = static_cast<int>(std::lround(-step * 3));
  body.Rect(8, 22 + bob + arm, 12, 36 + bob + arm, 3);  // left arm
  if (wave) {
    body.Rect(28, 7 + bob, 32, 26 + bob, 3);
    body.Ellipse(30, 6 + bob, 3, 3, 5);  // raised hand
  } else {
    body.Rect(28, 22 + bob - arm, 32, 36 + bob - arm, 3);
  }

  Layer& head = layers[kHead];
  head.Ellipse(20 + side * 1.5, 13 + bob, 7.5, 8, 1);  // face
  // Hair covers the top of the head, and all of it seen from behind.
  head.Ellipse(20 + side * 1.5, front < -0.3 ? 12 + bob : 9 + bob, 8, front < -0.3 ? 8 : 5, 2);
  if (front > -0.3) {
    const int eyes = 20 + static_cast<int>(std::lround(side * 3));
    if (side > -0.8) head.Rect(eyes + 2, 12 + bob, eyes + 4, 15 + bob, 3);
    if (side < 0.8) head.Rect(eyes - 4, 12 + bob, eyes - 2, 15 + bob, 3);
    if (front > 0.5) head.Rect(eyes - 2, 18 + bob, eyes + 2, 19 + bob, 4);  // mouth
  }

  // A floating light above the left shoulder, soft all over.
  layers[kGlow].Ellipse(6, 6 + bob, 3 + glow, 3 + glow, glow > 1 ? 2 : 0, 200);
  layers[kGlow].Ellipse(6, 6 + bob, 2, 2, 1, 255);

  return {layers[0].ToZar(), layers[1].ToZar(), layers[2].ToZar(), layers[3].ToZar()};
}

void SetFrame(sprwriter::Collection& collection, int frame, int direction,
              std::array<Zar, 4> layers, int bob) {
  // Boxes stand on a ground point at (0, 0); a bobbing frame moves its box.
  collection.SetBox(frame, direction, Box{-kWidth / 2, -kHeight + bob, kWidth / 2, bob});
  for (int layer = 0; layer < 4; ++layer)
    collection.SetSubImage(frame, direction, layer, std::move(layers[layer]));
}

}  // namespace

sprwriter::Sprite HeroSprite() {
  sprwriter::Sprite sprite;
  sprite.width = kWidth;
  sprite.height = kHeight;

  // Walking in eight directions, four frames, image data packed.
  sprwriter::Collection walk;
  walk.name = "walk";
  walk.frame_count = 4;
  walk.direction_count = 8;
  walk.images.packed = true;
  walk.images.palettes = Palettes();
  constexpr double kSteps[] = {-1, 0, 1, 0};
  for (int d = 0; d < 8; ++d) {
    // Direction 0 is north-west and they go clockwise (N, NE, E, ...), so the facing angle
    // falls by an eighth of a turn from one to the next: NW 1.25 pi, N pi, E pi/2, S 0.
    const double facing = std::numbers::pi * (1.25 - d * 0.25);
    for (int f = 0; f < 4; ++f) {
      const int bob = f % 2 == 1 ? -1 : 0;
      SetFrame(walk, f, d, Figure(facing, kSteps[f], bob, false, 1), bob);
    }
  }

  // Standing and waving towards the viewer, plain image data.
  sprwriter::Collection idle;
  idle.name = "idle";
  idle.frame_count = 4;
  idle.direction_count = 1;
  idle.images.palettes = Palettes();
  for (int f = 0; f < 4; ++f) {
    SetFrame(idle, f, 0, Figure(0, 0, f == 2 ? -1 : 0, f >= 3, 1 + f * 0.7), f == 2 ? -1 : 0);
  }

  sprite.collections = {walk, idle};
  sprite.sequences = {
      {{0, 1, 2, 3}, {}, "walk", 0, {}, {}},
      // A command (the marker and its three arguments) between the frames.
      {{0, 1, -43, 7, 7, 7, 2, 1}, {}, "idle", 1, {}, {}},
      {{3, 3, 3}, {}, "wave", 1, {}, {}},
      {{0}, {}, "stand", 1, {}, {}},
  };
  return sprite;
}

}  // namespace morvane::sample
