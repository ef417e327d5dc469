// Command-line front end of the sprite writer: writes the demo sprite, or a variant of it, to
// a file.
//   morvane-sprwriter demo|broken|cut|names OUTPUT.spr
// broken: a collection states a negative frame count; cut: the file ends halfway through;
// names: the sequences bear names that not every file system takes (a device name, "?", a
// trailing dot, non-ASCII letters, a control byte).
#include <cstdio>
#include <exception>
#include <fstream>
#include <string_view>

#include "sprwriter/sprwriter.h"

namespace sw = morvane::sprwriter;

int main(int argc, char** argv) {
  const std::string_view kind = argc == 3 ? argv[1] : "";
  if (kind != "demo" && kind != "broken" && kind != "cut" && kind != "names") {
    std::fprintf(stderr, "usage: %s demo|broken|cut|names OUTPUT.spr\n", argv[0]);
    return 2;
  }
  try {
    sw::Sprite sprite = sw::DemoSprite();
    if (kind == "broken") sprite.collections[1].frame_count_field = -1;
    if (kind == "names") {
      const char* const names[] = {"con", "a?b", "h\xC3\xA9ros.", "x\x01y"};
      for (std::size_t i = 0; i < sprite.sequences.size(); ++i)
        sprite.sequences[i].name = names[i % std::size(names)];
      sw::Sequence extra = sprite.sequences[0];
      extra.name = names[3];
      sprite.sequences.push_back(extra);
    }
    if (kind == "cut") {
      const sw::Bytes bytes = sw::WriteSprite(sprite);
      std::ofstream(argv[2], std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size() / 2));
    } else {
      sw::WriteSpriteFile(argv[2], sprite);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[2], e.what());
    return 1;
  }
  return 0;
}
