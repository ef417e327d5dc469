// Writes the sample sprite: morvane-sample OUT.spr
#include <cstdio>
#include <exception>

#include "sample/sample.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvane-sample OUT.spr\n");
    return 2;
  }
  try {
    morvane::sprwriter::WriteSpriteFile(argv[1], morvane::sample::HeroSprite());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "morvane-sample: %s\n", e.what());
    return 1;
  }
  return 0;
}
