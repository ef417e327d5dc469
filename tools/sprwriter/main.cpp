// Command-line front end of the sprite writer: writes the demo sprite to a file.
#include <cstdio>
#include <cstring>
#include <exception>

#include "sprwriter/sprwriter.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "demo") != 0) {
    std::fprintf(stderr, "usage: %s demo OUTPUT.spr\n", argv[0]);
    return 2;
  }
  try {
    morvane::sprwriter::WriteSpriteFile(argv[2], morvane::sprwriter::DemoSprite());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[2], e.what());
    return 1;
  }
  return 0;
}
