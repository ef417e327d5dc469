// Fuzz target: the image-set and ZAR layer alone.
//
// The input after a four-byte header is the image data of the one collection of a small sprite
// built around it: four palettes and the sub-image records, stored plain or packed. The image
// set is loaded and, once the file is gone, every cell of the collection drawn onto a small
// canvas. Loading may fail only with a format error or the limit on image data; drawing may not
// fail at all.
//   byte 0  bits 0-1 storage: plain, packed (the target packs the data), packed as given (the
//           data is taken as the zlib stream itself), plain; bits 2-3 frames - 1; bits 4-6
//           directions - 1
//   byte 1  bit 0 alpha blending instead of binary transparency; bits 1-7 the drawing origin
//   byte 2  bits 0-5 canvas side - 1 (1 to 64 pixels)
//   byte 3  unpacked size of a packed set: byte x 64, a promise the data may break either way;
//           0 for the true size, or for a stream taken as given the largest size there is
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/canvas.h"
#include "fuzz_support.h"
#include "platform/file.h"
#include "sprite/format_error.h"
#include "sprite/sprite.h"
#include "sprwriter/sprwriter.h"

namespace {

using namespace morvane;
namespace sw = morvane::sprwriter;

constexpr std::size_t kHeaderSize = 4;

struct Shape {
  int storage;
  std::int32_t frames;
  std::int32_t directions;
  std::int32_t threshold;
  CanvasPoint origin;
  std::int32_t side;
  std::int32_t unpacked_hint;
};

Shape ReadShape(const std::uint8_t* header) {
  Shape shape{};
  shape.storage = header[0] & 3;
  shape.frames = 1 + (header[0] >> 2 & 3);
  shape.directions = 1 + (header[0] >> 4 & 7);
  shape.threshold = (header[1] & 1) != 0 ? -1 : 128;
  shape.origin = {(header[1] >> 1 & 7) * 8 - 16, (header[1] >> 4 & 7) * 8 - 16};
  shape.side = 1 + (header[2] & 63);
  shape.unpacked_hint = header[3];
  return shape;
}

sw::Bytes BuildSprite(const Shape& shape, const std::uint8_t* data, std::size_t size) {
  sw::Sprite sprite;
  sprite.width = shape.side;
  sprite.height = shape.side;
  sw::Collection collection;
  collection.name = "fuzz";
  collection.frame_count = shape.frames;
  collection.direction_count = shape.directions;
  for (std::int32_t f = 0; f < shape.frames; ++f) {
    for (std::int32_t d = 0; d < shape.directions; ++d) collection.SetBox(f, d, {0, 0, 1, 1});
  }
  const sw::Bytes payload(data, data + size);
  collection.images.packed = shape.storage == 1 || shape.storage == 2;
  if (shape.storage == 2) {
    collection.images.packed_data = payload;
    collection.images.unpacked_size = std::numeric_limits<std::int32_t>::max();
  } else {
    collection.images.data = payload;
  }
  if (collection.images.packed && shape.unpacked_hint != 0) {
    collection.images.unpacked_size = shape.unpacked_hint * 64;
  }
  sprite.collections.push_back(std::move(collection));
  return sw::WriteSprite(sprite);
}

// Draws every cell.
template <DrawingCanvas Canvas>
void DrawAll(const Collection& anim, const Shape& shape, Canvas& canvas) {
  for (std::int32_t f = 0; f < anim.FrameCount(); ++f) {
    for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
      anim.DrawFrame(f, d, canvas, shape.origin, shape.threshold);
    }
  }
}

bool SameCanvas(const RgbCanvas& a, const RgbCanvas& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (std::int32_t y = 0; y < a.Height(); ++y) {
    for (std::int32_t x = 0; x < a.Width(); ++x) {
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    }
  }
  return true;
}

// The sprite built around the input with the images of its collection loaded, or nothing when
// loading fails as it may. The file is gone once this returns: drawing has only the values.
std::optional<Sprite> LoadSprite(const Shape& shape, const std::uint8_t* data, std::size_t size) {
  MemoryFile file(BuildSprite(shape, data, size));
  Sprite sprite =
      ParseSprite(file);  // written by the sprite writer: any error here is the target's own
  try {
    sprite.GetCollection(0)->SetImages(LoadImageSet(file, sprite, 0));
  } catch (const SpriteFormatError& e) {
    fuzz::Tell(e.Message());
    return std::nullopt;
  } catch (const Error& e) {
    // The limit on a collection's image data; the sprite writer's file has no other fault.
    fuzz::Tell(e.Message());
    return std::nullopt;
  }
  return sprite;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderSize) return 0;
  const Shape shape = ReadShape(data);
  const std::optional<Sprite> sprite = LoadSprite(shape, data + kHeaderSize, size - kHeaderSize);
  if (!sprite) return 0;
  const Collection& anim = *sprite->GetCollection(0);
  const std::int64_t places = static_cast<std::int64_t>(anim.Images().SubImageCount());
  if (places != std::int64_t{shape.frames} * shape.directions * 4) {
    fuzz::Fail("loaded " + std::to_string(places) + " places for " + std::to_string(shape.frames) +
               " x " + std::to_string(shape.directions) + " cells");
  }

  RgbCanvas canvas(shape.side, shape.side);
  canvas.FillRect(0, 0, shape.side, shape.side, 0x00808080);
  DrawAll(anim, shape, canvas);

  // Over opaque pixels, a canvas that keeps alpha gets the same colours, opaque; over
  // transparent ones it gets what it gets, which the sanitizers watch.
  RgbaCanvas opaque(shape.side, shape.side), clear(shape.side, shape.side);
  opaque.FillRect(0, 0, shape.side, shape.side, 0xFF808080u);
  DrawAll(anim, shape, opaque);
  DrawAll(anim, shape, clear);
  for (std::int32_t y = 0; y < shape.side; ++y) {
    for (std::int32_t x = 0; x < shape.side; ++x) {
      if (opaque.GetPixel(x, y) != (canvas.GetPixel(x, y) | 0xFF000000u))
        fuzz::Fail("the RGBA canvas differs from the RGB one over opaque pixels");
    }
  }

  // Cells out of range must leave the canvas alone.
  const RgbCanvas drawn = canvas;
  anim.DrawFrame(shape.frames, 0, canvas, shape.origin, shape.threshold);
  anim.DrawFrame(0, -1, canvas, shape.origin, shape.threshold);
  if (!SameCanvas(canvas, drawn)) fuzz::Fail("drawing changed the canvas where it must not");
  fuzz::Tell("drew " + std::to_string(places / 4) + " cells");
  return 0;
}
