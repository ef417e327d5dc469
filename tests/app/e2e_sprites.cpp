#include "app/e2e_sprites.h"

#include <set>
#include <sstream>
#include <stdexcept>

namespace morvane::e2e {

namespace {

std::string Hex(std::uint32_t colour) {
  std::ostringstream out;
  out << std::hex << colour;
  return "0x" + out.str();
}

}  // namespace

Picture Picture::Solid(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                       std::uint8_t index, std::uint8_t alpha) {
  return Paint(left, top, width, height, [&](int, int) { return Pixel{index, alpha}; });
}

Picture Picture::Paint(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                       const std::function<Pixel(int x, int y)>& pixel) {
  Picture picture{left, top, width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.pixels.push_back(pixel(x, y));
  return picture;
}

void Anim::SetBox(std::int32_t frame, std::int32_t direction, Box box) {
  const auto at = static_cast<std::size_t>(frame * directions + direction);
  if (boxes.size() <= at) boxes.resize(at + 1);
  boxes[at] = box;
}

void Anim::SetLayer(std::int32_t frame, std::int32_t direction, int layer, Picture picture) {
  layers[{frame, direction, layer}] = std::move(picture);
}

Box Anim::BoxOf(std::int32_t frame, std::int32_t direction) const {
  const auto at = static_cast<std::size_t>(frame * directions + direction);
  return at < boxes.size() ? boxes[at] : Box{};
}

sprwriter::Collection Anim::ToCollection() const {
  sprwriter::Collection collection;
  collection.name = name;
  collection.frame_count = frames;
  collection.direction_count = directions;
  collection.boxes = boxes;
  collection.images.packed = packed;
  for (int l = 0; l < 4; ++l) collection.images.palettes[l].colours = palettes[l];
  for (const auto& [key, picture] : layers) {
    collection.SetSubImage(key.frame, key.direction, key.layer,
                           sprwriter::Zar::FromPixels(picture.left, picture.top, picture.width,
                                                      picture.height, picture.pixels));
  }
  return collection;
}

void TestSprite::AddSequence(const std::string& name, std::vector<std::int16_t> frames,
                             std::uint16_t collection) {
  sprwriter::Sequence sequence;
  sequence.name = name;
  sequence.frames = std::move(frames);
  sequence.collection_index = collection;
  sequences.push_back(std::move(sequence));
}

sprwriter::Sprite TestSprite::ToSprite() const {
  sprwriter::Sprite sprite;
  sprite.width = width;
  sprite.height = height;
  sprite.sequences = sequences;
  for (const Anim& anim : anims) sprite.collections.push_back(anim.ToCollection());
  return sprite;
}

std::string TestSprite::Bytes() const {
  return e2e::Bytes(ToSprite());
}

TestSprite OneFrameSprite(std::int32_t w, std::int32_t h, bool noisy,
                          const std::vector<std::string>& sequences) {
  Anim anim("body", 1, 1);
  for (std::uint32_t i = 0; i < 256; ++i) anim.palettes[0].push_back((i * 2654435761u) & 0xFFFFFFu);
  anim.SetBox(0, 0, {0, 0, w, h});
  std::uint32_t seed = 1;
  anim.SetLayer(0, 0, 0, Picture::Paint(0, 0, w, h, [&](int, int) {
                  seed = seed * 1103515245u + 12345u;
                  return Pixel{static_cast<std::uint8_t>(noisy ? 1 + (seed >> 16) % 255 : 7), 255};
                }));
  TestSprite sprite(w, h);
  sprite.anims.push_back(std::move(anim));
  for (const std::string& name : sequences) sprite.AddSequence(name, {0}, 0);
  return sprite;
}

std::string WrongVersion(std::string sprite_bytes) {
  sprite_bytes.at(9) = '5';  // after "<sprite>" and its zero byte
  return sprite_bytes;
}

std::string Bytes(const sprwriter::Sprite& sprite) {
  const sprwriter::Bytes bytes = sprwriter::WriteSprite(sprite);
  return std::string(bytes.begin(), bytes.end());
}

namespace {

// Calls draw(target, colour, alpha) for every pixel of alpha above 0 that layers 0 to 3 of the
// frame put on the canvas, in layer order, each picture placed at origin + (left, top).
template <typename Draw>
void DrawLayers(const Anim& anim, std::int32_t frame, std::int32_t direction, Canvas& canvas,
                int origin_x, int origin_y, const Draw& draw) {
  for (int layer = 0; layer < 4; ++layer) {
    const auto found = anim.layers.find({frame, direction, layer});
    if (found == anim.layers.end()) continue;
    const Picture& picture = found->second;
    const std::vector<Colour>& palette = anim.palettes[layer];
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const Pixel pixel = picture.pixels[std::size_t(y) * picture.width + x];
        const int cx = origin_x + picture.left + x, cy = origin_y + picture.top + y;
        if (pixel.alpha == 0 || cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height)
          continue;
        const Colour colour = pixel.index < palette.size() ? palette[pixel.index] & 0xFFFFFF : 0;
        draw(canvas.pixels[std::size_t(cy) * canvas.width + cx], colour, pixel.alpha);
      }
    }
  }
}

}  // namespace

Canvas Composite(const Anim& anim, std::int32_t frame, std::int32_t direction, int width,
                 int height, int origin_x, int origin_y, int threshold, Colour background) {
  Canvas canvas(width, height, background & 0xFFFFFF);
  DrawLayers(anim, frame, direction, canvas, origin_x, origin_y,
             [threshold](std::uint32_t& target, Colour colour, std::uint32_t alpha) {
               if (threshold != -1) {
                 if (static_cast<int>(alpha) >= threshold) target = colour;
               } else if (alpha == 255) {
                 target = colour;
               } else {
                 std::uint32_t mixed = 0;
                 for (int shift = 0; shift <= 16; shift += 8) {
                   const std::uint32_t under = target >> shift & 0xFF,
                                       over = colour >> shift & 0xFF;
                   mixed |= ((255 - alpha) * under + alpha * over) / 255 << shift;
                 }
                 target = mixed;
               }
             });
  return canvas;
}

Canvas CompositeFullAlpha(const Anim& anim, std::int32_t frame, std::int32_t direction, int width,
                          int height, int origin_x, int origin_y) {
  Canvas canvas(width, height, 0);
  DrawLayers(
      anim, frame, direction, canvas, origin_x, origin_y,
      [](std::uint32_t& target, Colour colour, std::uint64_t a) {
        const std::uint64_t under_alpha = target >> 24;
        const std::uint64_t total = a * 255 + under_alpha * (255 - a);
        std::uint32_t mixed = static_cast<std::uint32_t>(total / 255) << 24;
        for (int shift = 0; shift <= 16; shift += 8) {
          const std::uint64_t under = target >> shift & 0xFF, over = colour >> shift & 0xFF;
          mixed |=
              static_cast<std::uint32_t>((over * a * 255 + under * under_alpha * (255 - a)) / total)
              << shift;
        }
        target = mixed;
      });
  return canvas;
}

::testing::AssertionResult ExactlyReducible(const std::vector<Canvas>& frames, std::size_t limit) {
  std::set<std::uint32_t> all;
  for (std::size_t f = 0; f < frames.size(); ++f) {
    std::map<std::uint32_t, std::uint32_t> cells;
    for (std::uint32_t colour : frames[f].pixels) {
      all.insert(colour);
      const std::uint32_t cell =
          (colour & 0xF8) >> 3 | (colour >> 8 & 0xF8) << 2 | (colour >> 16 & 0xF8) << 7;
      const auto [it, added] = cells.emplace(cell, colour);
      if (!added && it->second != colour) {
        return ::testing::AssertionFailure() << "frame " << f << ": colours " << Hex(colour)
                                             << " and " << Hex(it->second) << " share a cell";
      }
    }
  }
  if (all.size() > limit)
    return ::testing::AssertionFailure() << all.size() << " colours, more than " << limit;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult FrameShows(const testing::DecodedGif& gif, std::size_t i,
                                      const Canvas& expected,
                                      const Colour* transparent_background) {
  if (i >= gif.frames.size())
    return ::testing::AssertionFailure() << "no frame " << i << " of " << gif.frames.size();
  const testing::DecodedFrame& frame = gif.frames[i];
  if (frame.left != 0 || frame.top != 0 || frame.width != expected.width ||
      frame.height != expected.height) {
    return ::testing::AssertionFailure()
           << "frame " << i << " is " << frame.width << "x" << frame.height << " at " << frame.left
           << "," << frame.top << ", expected " << expected.width << "x" << expected.height
           << " at 0,0";
  }
  const int transparent = frame.transparent_index;
  if ((transparent_background != nullptr) != (transparent >= 0)) {
    return ::testing::AssertionFailure()
           << "frame " << i << " has transparent index " << transparent;
  }
  const std::vector<std::uint32_t> colours = gif.FramePixels(i);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      const std::size_t at = std::size_t(y) * expected.width + x;
      const std::uint32_t want = expected.pixels[at];
      if (transparent_background != nullptr) {
        const bool clear = frame.indices[at] == transparent;
        if (clear != (want == (*transparent_background & 0xFFFFFF))) {
          return ::testing::AssertionFailure()
                 << "frame " << i << " pixel " << x << "," << y << " transparent: " << clear
                 << ", expected colour " << Hex(want);
        }
        if (clear) continue;
      }
      if (colours[at] != want) {
        return ::testing::AssertionFailure()
               << "frame " << i << " pixel " << x << "," << y << " is " << Hex(colours[at])
               << ", expected " << Hex(want);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

namespace {

// Reads a GIF's blocks far enough to hand out each frame's image data.
class GifBlocks {
 public:
  explicit GifBlocks(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  // The minimum code size and the joined data sub-blocks of every frame.
  std::vector<std::pair<int, std::vector<std::uint8_t>>> Frames() {
    Skip(6);
    Skip(4);
    const std::uint8_t packed = Byte();
    Skip(2);
    if (packed & 0x80) Skip(3u << ((packed & 7) + 1));
    std::vector<std::pair<int, std::vector<std::uint8_t>>> frames;
    for (;;) {
      const std::uint8_t kind = Byte();
      if (kind == 0x3B) return frames;
      if (kind == 0x21) {
        Byte();
        SubBlocks();
      } else if (kind == 0x2C) {
        Skip(8);
        const std::uint8_t local = Byte();
        if (local & 0x80) Skip(3u << ((local & 7) + 1));
        const int min_code_size = Byte();
        frames.emplace_back(min_code_size, SubBlocks());
      } else {
        throw std::runtime_error("unknown GIF block");
      }
    }
  }

 private:
  std::uint8_t Byte() {
    if (pos_ >= bytes_.size()) throw std::runtime_error("GIF ends early");
    return bytes_[pos_++];
  }
  void Skip(std::size_t n) {
    if (bytes_.size() - pos_ < n) throw std::runtime_error("GIF ends early");
    pos_ += n;
  }
  std::vector<std::uint8_t> SubBlocks() {
    std::vector<std::uint8_t> data;
    for (std::uint8_t size = Byte(); size != 0; size = Byte()) {
      for (int k = 0; k < size; ++k) data.push_back(Byte());
    }
    return data;
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_ = 0;
};

}  // namespace

std::vector<FrameCodes> ReadFrameCodes(const std::vector<std::uint8_t>& gif) {
  std::vector<FrameCodes> result;
  for (const auto& [min_code_size, data] : GifBlocks(gif).Frames()) {
    FrameCodes counts;
    counts.min_code_size = min_code_size;
    const int clear = 1 << min_code_size, end = clear + 1;
    // Per code of the decoder's table: its first colour and its one colour, or -1 when the
    // string it stands for holds more than one colour.
    struct Entry {
      int first;
      int only;
    };
    std::vector<Entry> table(4096);
    for (int c = 0; c < clear; ++c) table[c] = {c, c};
    int width = min_code_size + 1, next = clear + 2, previous = -1;
    std::uint64_t bits = 0;
    int bit_count = 0;
    std::size_t pos = 0;
    for (;;) {
      while (bit_count < width && pos < data.size()) {
        bits |= std::uint64_t{data[pos++]} << bit_count;
        bit_count += 8;
      }
      if (bit_count < width) throw std::runtime_error("code stream without end code");
      const int code = static_cast<int>(bits & ((1u << width) - 1));
      bits >>= width;
      bit_count -= width;
      if (code == clear) {
        width = min_code_size + 1;
        next = clear + 2;
        previous = -1;
        continue;
      }
      if (code == end) break;
      Entry entry;
      if (code < next && (code < clear || code > end)) {
        entry = table[code];
      } else if (code == next && previous >= 0) {
        const Entry& p = table[previous];  // the string before, and its own first colour again
        entry = {p.first, p.only};
      } else {
        throw std::runtime_error("code not in the table");
      }
      ++counts.codes;
      if (entry.only < 0) ++counts.mixed_codes;
      if (previous >= 0) {
        if (next < 4096) {
          const Entry& p = table[previous];
          table[next++] = {p.first, p.only == entry.first ? p.only : -1};
        }
        if (next == (1 << width) && width < 12) ++width;
      }
      previous = code;
    }
    result.push_back(counts);
  }
  return result;
}

}  // namespace morvane::e2e
