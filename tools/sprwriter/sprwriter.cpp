#include "sprwriter/sprwriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/errors.h"
#include "platform/fs.h"

namespace morvane::sprwriter {

namespace {

constexpr int kMaxRun = 63;
constexpr std::uint8_t kRecordEmpty = 0x00;
constexpr std::uint8_t kRecordZar = 0x01;
constexpr std::uint8_t kRecordEnd = 0x3C;

void PutBytes(Bytes& out, const void* bytes, std::size_t count) {
  const auto* b = static_cast<const std::uint8_t*>(bytes);
  out.insert(out.end(), b, b + count);
}

void PutBytes(Bytes& out, const Bytes& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutInt32(Bytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutInt32(Bytes& out, std::int32_t value) {
  PutInt32(out, static_cast<std::uint32_t>(value));
}

void PutUInt16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PatchInt32(Bytes& out, std::size_t at, std::int64_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t SizeField(std::size_t size) {
  return static_cast<std::int32_t>(size);
}

RunKind KindOf(const Pixel& p) {
  if (p.alpha == 0) return kRunTransparent;
  if (p.alpha == 255) return kRunOpaque;
  return p.index == 0 ? kRunAlphaOnly : kRunWithAlpha;
}

void PutZar(Bytes& out, const Zar& zar) {
  out.push_back(kRecordZar);
  PutInt32(out, zar.left);
  PutInt32(out, zar.top);
  if (zar.tag) {
    PutBytes(out, *zar.tag);
  } else {
    PutBytes(out, "<zar>", 6);  // with its zero byte
    out.push_back(static_cast<std::uint8_t>(zar.subtype));
    out.push_back(zar.reserved);
  }
  PutInt32(out, zar.width);
  PutInt32(out, zar.height);
  out.push_back(zar.palette_flag);
  PutInt32(out, zar.data_size.value_or(SizeField(zar.data.size())));
  PutBytes(out, zar.data);
}

void PutRecord(Bytes& out, const Record& record) {
  switch (record.kind) {
    case Record::Kind::kEmpty:
      out.push_back(kRecordEmpty);
      break;
    case Record::Kind::kImage:
      PutZar(out, record.zar);
      break;
    case Record::Kind::kEnd:
      out.push_back(kRecordEnd);
      break;
    case Record::Kind::kRaw:
      PutBytes(out, record.raw);
      break;
  }
}

void PutImageSet(Bytes& out, const Collection& collection, Layout* layout) {
  const ImageSet& images = collection.images;
  if (layout) layout->image_sets.push_back(static_cast<std::int64_t>(out.size()));
  if (images.tag) {
    PutBytes(out, *images.tag);
  } else {
    PutBytes(out, "<spranim_img>", 14);  // with its zero byte
    out.push_back(images.packed ? '2' : '1');
    out.push_back(0);
  }
  const Bytes data = ImageData(collection);
  if (images.packed) {
    PutInt32(out, images.unpacked_size.value_or(SizeField(data.size())));
  }
  if (layout) {
    layout->image_data.push_back(static_cast<std::int64_t>(out.size()));
    layout->image_data_sizes.push_back(static_cast<std::int64_t>(data.size()));
  }
  if (images.packed) {
    PutBytes(out, images.packed_data ? *images.packed_data : Pack(data, images.compression_level));
  } else {
    PutBytes(out, data);
  }
}

}  // namespace

std::uint8_t Control(RunKind kind, int count) {
  if (count < 0 || count > kMaxRun) throw std::invalid_argument("run length out of range");
  return static_cast<std::uint8_t>(count << 2 | kind);
}

Bytes EncodeRuns(std::int32_t width, std::int32_t height, const std::vector<Pixel>& pixels) {
  if (width < 0 || height < 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    throw std::invalid_argument("pixel count does not match the size");
  }
  Bytes out;
  for (std::int32_t y = 0; y < height; ++y) {
    const Pixel* row =
        pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width;) {
      const RunKind kind = KindOf(row[x]);
      int n = 1;
      while (n < kMaxRun && x + n < width && KindOf(row[x + n]) == kind) ++n;
      out.push_back(Control(kind, n));
      for (int j = 0; j < n; ++j) {
        const Pixel& p = row[x + j];
        switch (kind) {
          case kRunOpaque:
            out.push_back(p.index);
            break;
          case kRunWithAlpha:
            out.push_back(p.index);
            out.push_back(p.alpha);
            break;
          case kRunAlphaOnly:
            out.push_back(p.alpha);
            break;
          case kRunTransparent:
            break;
        }
      }
      x += n;
    }
  }
  return out;
}

Zar Zar::FromPixels(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                    const std::vector<Pixel>& pixels) {
  Zar zar;
  zar.left = left;
  zar.top = top;
  zar.width = width;
  zar.height = height;
  zar.data = EncodeRuns(width, height, pixels);
  return zar;
}

Zar Zar::Solid(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
               std::uint8_t index) {
  return FromPixels(left, top, width, height,
                    std::vector<Pixel>(static_cast<std::size_t>(width) * height, {index, 255}));
}

void Collection::SetBox(std::int32_t frame, std::int32_t direction, Box box) {
  const auto at = static_cast<std::size_t>(frame) * static_cast<std::size_t>(direction_count) +
                  static_cast<std::size_t>(direction);
  if (boxes.size() <= at) boxes.resize(at + 1);
  boxes[at] = box;
}

void Collection::SetSubImage(std::int32_t frame, std::int32_t direction, int layer, Zar zar) {
  images.sub_images[{frame, direction, layer}] = std::move(zar);
}

std::int64_t SubImageNumber(bool packed, std::int32_t frame_count, std::int32_t direction_count,
                            std::int32_t frame, std::int32_t direction, int layer) {
  if (!packed) return (std::int64_t{frame} * direction_count + direction) * 4 + layer;
  return (std::int64_t{layer} * direction_count + direction) * frame_count + frame;
}

Bytes ImageData(const Collection& collection) {
  const ImageSet& images = collection.images;
  if (images.data) return *images.data;
  Bytes out;
  for (const LayerPalette& palette : images.palettes) {
    PutInt32(out, palette.count.value_or(SizeField(palette.colours.size())));
    for (const Colour colour : palette.colours) {
      out.push_back(static_cast<std::uint8_t>(colour >> 16));  // blue
      out.push_back(static_cast<std::uint8_t>(colour >> 8));   // green
      out.push_back(static_cast<std::uint8_t>(colour));        // red
      out.push_back(static_cast<std::uint8_t>(colour >> 24));
    }
  }
  if (images.records) {
    for (const Record& record : *images.records) PutRecord(out, record);
  } else {
    const std::int32_t frames = collection.frame_count;
    const std::int32_t directions = collection.direction_count;
    const std::size_t places = static_cast<std::size_t>(frames) * directions * 4;
    std::vector<const Zar*> by_place(places, nullptr);
    for (const auto& [key, zar] : images.sub_images) {
      if (key.frame < 0 || key.frame >= frames || key.direction < 0 ||
          key.direction >= directions || key.layer < 0 || key.layer > 3) {
        throw std::invalid_argument("sub-image outside the collection");
      }
      by_place[static_cast<std::size_t>(SubImageNumber(images.packed, frames, directions, key.frame,
                                                       key.direction, key.layer))] = &zar;
    }
    for (const Zar* zar : by_place) {
      if (zar) {
        PutZar(out, *zar);
      } else {
        out.push_back(kRecordEmpty);
      }
    }
    if (images.end_marker) out.push_back(kRecordEnd);
  }
  PutBytes(out, images.tail);
  return out;
}

Bytes Pack(const Bytes& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK) {
    throw std::runtime_error("zlib compression failed");
  }
  out.resize(size);
  return out;
}

Bytes WriteSprite(const Sprite& sprite, Layout* layout) {
  Bytes out;
  if (sprite.tag) {
    PutBytes(out, *sprite.tag);
  } else {
    PutBytes(out, "<sprite>", 9);  // with its zero byte
    out.push_back('4');
    out.push_back(0);
  }
  PutBytes(out, sprite.stretch1.data(), sprite.stretch1.size());
  PutInt32(out, sprite.width);
  PutInt32(out, sprite.height);
  PutBytes(out, sprite.stretch2.data(), sprite.stretch2.size());

  if (layout) layout->sequence_count = static_cast<std::int64_t>(out.size());
  PutInt32(out, sprite.sequence_count_field.value_or(SizeField(sprite.sequences.size())));
  for (const Sequence& sequence : sprite.sequences) {
    if (layout) layout->sequences.push_back(static_cast<std::int64_t>(out.size()));
    PutInt32(out, sequence.frame_count_field.value_or(SizeField(sequence.frames.size())));
    for (const std::int16_t frame : sequence.frames)
      PutUInt16(out, static_cast<std::uint16_t>(frame));
    for (std::size_t i = 0; i < sequence.frames.size(); ++i) {
      PutInt32(out, i < sequence.frame_values.size() ? sequence.frame_values[i] : 0);
    }
    PutInt32(out, sequence.name_length.value_or(SizeField(sequence.name.size())));
    PutBytes(out, sequence.name.data(), sequence.name.size());
    PutUInt16(out, sequence.collection_index);
  }

  if (layout) layout->collection_count = static_cast<std::int64_t>(out.size());
  PutInt32(out, sprite.collection_count_field.value_or(SizeField(sprite.collections.size())));
  std::vector<std::size_t> image_pos_at;
  for (const Collection& collection : sprite.collections) {
    if (layout) layout->collection_headers.push_back(static_cast<std::int64_t>(out.size()));
    if (collection.tag) {
      PutBytes(out, *collection.tag);
    } else {
      PutBytes(out, "<spranim>", 10);  // with its zero byte
      out.push_back('1');
      out.push_back(0);
    }
    image_pos_at.push_back(out.size());
    PutInt32(out, collection.image_pos.value_or(0));
    PutInt32(out, collection.name_length.value_or(SizeField(collection.name.size())));
    PutBytes(out, collection.name.data(), collection.name.size());
    PutInt32(out, collection.frame_count_field.value_or(collection.frame_count));
    PutInt32(out, collection.direction_count_field.value_or(collection.direction_count));
    const std::size_t cells = static_cast<std::size_t>(std::max(collection.frame_count, 0)) *
                              static_cast<std::size_t>(std::max(collection.direction_count, 0));
    for (std::size_t i = 0; i < std::max(cells, collection.boxes.size()); ++i) {
      const Box box = i < collection.boxes.size() ? collection.boxes[i] : Box{};
      PutInt32(out, box.left);
      PutInt32(out, box.top);
      PutInt32(out, box.right);
      PutInt32(out, box.bottom);
    }
  }

  for (std::size_t i = 0; i < sprite.collections.size(); ++i) {
    const Collection& collection = sprite.collections[i];
    PatchInt32(out, image_pos_at[i],
               collection.image_pos.value_or(static_cast<std::int32_t>(out.size())));
    PutImageSet(out, collection, layout);
  }
  return out;
}

void WriteSpriteFile(const std::string& path, const Sprite& sprite) {
  WriteFileAtomically(path, WriteSprite(sprite));
}

namespace {

// A round body: opaque inside, soft alpha at the rim, palette index by distance.
std::vector<Pixel> Disc(int size, double cx, double cy, double radius, std::uint8_t base_index) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      Pixel& p = pixels[static_cast<std::size_t>(y) * size + x];
      if (d > radius + 1.0) continue;
      p.index = static_cast<std::uint8_t>(base_index + std::min(63, static_cast<int>(d * 4)));
      p.alpha = d <= radius ? 255 : static_cast<std::uint8_t>(255 * (radius + 1.0 - d));
    }
  }
  return pixels;
}

// A shadow of palette entry 0 with a fading alpha (alpha-only runs).
std::vector<Pixel> Shadow(int width, int height) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int edge = std::min({x, y, width - 1 - x, height - 1 - y});
      pixels[static_cast<std::size_t>(y) * width + x] = {
          0, static_cast<std::uint8_t>(std::min(200, 40 + edge * 40))};
    }
  }
  return pixels;
}

// A translucent stripe pattern (index-and-alpha runs) with transparent gaps.
std::vector<Pixel> Stripes(int width, int height, int phase) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((x + y + phase) % 6 < 3) {
        pixels[static_cast<std::size_t>(y) * width + x] = {
            static_cast<std::uint8_t>(1 + (x * 7 + y * 3) % 200), 128};
      }
    }
  }
  return pixels;
}

std::vector<Colour> Ramp(Colour from, Colour to) {
  std::vector<Colour> colours(256);
  for (int i = 0; i < 256; ++i) {
    Colour c = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int a = static_cast<int>((from >> shift) & 0xFF);
      const int b = static_cast<int>((to >> shift) & 0xFF);
      c |= static_cast<Colour>(a + (b - a) * i / 255) << shift;
    }
    colours[static_cast<std::size_t>(i)] = c;
  }
  return colours;
}

Collection DemoCollection(const std::string& name, std::int32_t frames, std::int32_t directions,
                          bool packed) {
  constexpr int kSize = 32;
  Collection c;
  c.name = name;
  c.frame_count = frames;
  c.direction_count = directions;
  c.images.packed = packed;
  c.images.palettes[0].colours = Ramp(0x000040C0, 0x00F0F0FF);  // body: red to pale
  c.images.palettes[1].colours = {0x00202020};                  // shadow
  c.images.palettes[2].colours = Ramp(0x00FF4000, 0x0000FF40);  // stripes: blue to green
  c.images.palettes[3].colours = Ramp(0x0000FFFF, 0x00FFFFFF);  // sparkle: yellow to white
  for (std::int32_t f = 0; f < frames; ++f) {
    for (std::int32_t d = 0; d < directions; ++d) {
      const int bob = (f % 2) * 2;
      c.SetBox(f, d, {-16, -24 - bob, 16, 8 - bob});
      c.SetSubImage(f, d, 0,
                    Zar::FromPixels(-kSize / 2 + 2, -kSize + 4 - bob, kSize - 4, kSize - 4,
                                    Disc(kSize - 4, 14 + d, 14, 11, 0)));
      c.SetSubImage(f, d, 1, Zar::FromPixels(-12, 2, 24, 6, Shadow(24, 6)));
      if ((f + d) % 2 == 0) {
        c.SetSubImage(f, d, 2, Zar::FromPixels(-8, -18 - bob, 16, 12, Stripes(16, 12, f)));
      }
      if (f == frames - 1) c.SetSubImage(f, d, 3, Zar::Solid(4 + d, -20, 3, 3, 255));
    }
  }
  return c;
}

}  // namespace

Sprite DemoSprite() {
  Sprite sprite;
  sprite.width = 32;
  sprite.height = 32;
  sprite.collections.push_back(DemoCollection("walk", 3, 4, false));
  sprite.collections.push_back(DemoCollection("spin", 2, 8, true));

  Sequence walk;
  walk.name = "walk";
  walk.frames = {0, 1, 2, -43, 5, 6, 7, 1};  // a command in the middle
  walk.frame_values = {100, 100, 100, 0, 0, 0, 0, 100};
  walk.collection_index = 0;
  Sequence stand;
  stand.name = "stand";
  stand.frames = {0};
  stand.frame_values = {250};
  stand.collection_index = 0;
  Sequence spin;
  spin.name = "spin";
  spin.frames = {0, 1, -1, 1};
  spin.frame_values = {80, 80, 0, 80};
  spin.collection_index = 1;
  sprite.sequences = {walk, stand, spin};
  return sprite;
}

}  // namespace morvane::sprwriter
