// Writes the large measuring sprite:
//   morvane-benchsprite OUT.spr [FRAMES [DIRECTIONS [SIZE]]]   (defaults 32, 8, 256)
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "benchsprite/benchsprite.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    std::fprintf(stderr, "usage: morvane-benchsprite OUT.spr [FRAMES [DIRECTIONS [SIZE]]]\n");
    return 2;
  }
  morvane::benchsprite::Shape shape;
  if (argc > 2) shape.frames = std::atoi(argv[2]);
  if (argc > 3) shape.directions = std::atoi(argv[3]);
  if (argc > 4) shape.size = std::atoi(argv[4]);
  if (shape.frames < 1 || shape.frames > 4096 || shape.directions < 1 || shape.directions > 64 ||
      shape.size < 16 || shape.size > 4096) {
    std::fprintf(stderr, "morvane-benchsprite: frames 1..4096, directions 1..64, size 16..4096\n");
    return 2;
  }
  try {
    morvane::sprwriter::WriteSpriteFile(argv[1], morvane::benchsprite::LargeSprite(shape));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morvane-benchsprite: %s\n", e.what());
    return 1;
  }
  return 0;
}
