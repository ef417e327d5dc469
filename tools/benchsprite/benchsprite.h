// A large sprite for measuring the converter: one packed collection of big, softly lit frames in
// several directions, four layers each, with many colours and alpha edges everywhere.
#pragma once

#include <array>
#include <cstdint>

#include "sprwriter/sprwriter.h"

namespace morvane::benchsprite {

struct Shape {
  std::int32_t frames = 32;
  std::int32_t directions = 8;
  std::int32_t size = 256;  // frame boxes are size x size
};

// The sprite: collection "march" with shape.frames x shape.directions cells, and a sequence of
// the same name that shows every frame once.
sprwriter::Sprite LargeSprite(const Shape& shape);

// The four layer images of one cell, as the sprite holds them.
std::array<sprwriter::Zar, 4> CellLayers(const Shape& shape, std::int32_t frame,
                                         std::int32_t direction);

}  // namespace morvane::benchsprite
