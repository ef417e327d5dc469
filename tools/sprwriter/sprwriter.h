// Writes sprite files (.spr) from a description, for tests, fuzz seeds and sample files.
//
// A Sprite describes a whole file: the header, the sequences, and the collections with their
// frame boxes and image sets. WriteSprite lays the file out the way the converter reads it:
//
//   header  "<sprite>" 0 "4" 0, 3 bytes, Width, Height, 3 bytes, sequence count
//   sequence records  (count, int16 frames, int32 frame values, name length, name, uint16 index)
//   collection count, collection headers ("<spranim>" 0 "1" 0, ImagePos, name, F, D, F*D boxes)
//   one image-set block per collection, in collection order, each at its header's ImagePos:
//     "<spranim_img>" 0 type 0, [unpacked size when packed], image data (plain or zlib)
//   image data  4 palettes (count, count x (blue, green, red, x)), sub-image records, 0x3C
//
// Every count, length, tag and position is derived from the description, and each can be
// overridden (the std::optional fields) to write a broken file on purpose. All integers are
// little-endian.
//
// Sub-images are given by (frame, direction, layer) and placed in the numbering of the image
// set's storage type: plain sets go frame, direction, layer fastest ((f*D+d)*4+l); packed sets
// go layer, direction, frame fastest ((l*D+d)*F+f). Places without a sub-image become empty
// records. ZAR data can be encoded from pixels (EncodeRuns) or given as raw run bytes.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace morvane::sprwriter {

using Bytes = std::vector<std::uint8_t>;

// A colour as the converter sees it: 0x00BBGGRR, red in the low byte. In a palette the top
// byte is the entry's fourth byte.
using Colour = std::uint32_t;

struct Box {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// One pixel of a ZAR image: a palette index and an alpha (0 transparent, 255 opaque).
struct Pixel {
  std::uint8_t index = 0;
  std::uint8_t alpha = 0;
};

// Run kinds of the ZAR coding: the low two bits of a run's control byte.
enum RunKind : std::uint8_t {
  kRunTransparent = 0,  // n pixels, no bytes
  kRunOpaque = 1,       // n palette indexes
  kRunWithAlpha = 2,    // n (index, alpha) pairs
  kRunAlphaOnly = 3,    // n alpha bytes, colour of palette entry 0
};

// The control byte of a run of count (0..63) pixels.
std::uint8_t Control(RunKind kind, int count);

// Encodes width x height pixels (row by row, top row first) as runs. Every row is covered by
// runs that add up to exactly width pixels, so the decoder's row advance lands on the next
// row. Per pixel the run kind follows from the pixel: alpha 0 transparent, alpha 255 opaque,
// index 0 with another alpha alpha-only, anything else index-and-alpha; equal kinds are
// joined into runs of at most 63 pixels. pixels.size() must be width * height.
Bytes EncodeRuns(std::int32_t width, std::int32_t height, const std::vector<Pixel>& pixels);

// A ZAR image with the Left/Top of its sub-image record.
struct Zar {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  char subtype = '3';
  std::uint8_t reserved = 0;              // the byte after the subtype
  std::uint8_t palette_flag = 0;          // 1 is rejected by the reader
  Bytes data;                             // run-coded pixels
  std::optional<std::int32_t> data_size;  // DataSize written instead of data.size()
  std::optional<Bytes> tag;               // written instead of the 8 tag bytes

  static Zar FromPixels(std::int32_t left, std::int32_t top, std::int32_t width,
                        std::int32_t height, const std::vector<Pixel>& pixels);
  // A width x height image of one opaque palette index.
  static Zar Solid(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                   std::uint8_t index);
};

// One sub-image record, for image data written record by record.
struct Record {
  enum class Kind { kEmpty, kImage, kEnd, kRaw };
  Kind kind = Kind::kEmpty;
  Zar zar;    // kImage
  Bytes raw;  // kRaw: written as is

  static Record Empty() { return {}; }
  static Record Image(Zar zar) { return {Kind::kImage, std::move(zar), {}}; }
  static Record End() { return {Kind::kEnd, {}, {}}; }
  static Record Raw(Bytes bytes) { return {Kind::kRaw, {}, std::move(bytes)}; }
};

struct LayerPalette {
  // Written as blue, green, red, top byte each; any number of entries (more than 256 is
  // rejected by the reader).
  std::vector<Colour> colours;
  std::optional<std::int32_t> count;  // count written instead of colours.size()
};

// Identifies a sub-image by its cell and layer.
struct SubImageKey {
  std::int32_t frame = 0;
  std::int32_t direction = 0;
  int layer = 0;
  friend auto operator<=>(const SubImageKey&, const SubImageKey&) = default;
};

struct ImageSet {
  bool packed = false;
  std::array<LayerPalette, 4> palettes;
  // Laid out in the storage type's numbering over the collection's F x D x 4 places.
  std::map<SubImageKey, Zar> sub_images;
  bool end_marker = true;  // a 0x3C record after the places

  // Overrides, each replacing what would be derived:
  std::optional<std::vector<Record>> records;  // the records instead of the laid-out places
                                               // (no end marker is added)
  Bytes tail;                                  // bytes appended after the records
  std::optional<Bytes> data;                   // the whole image data before packing
  std::optional<Bytes> tag;                    // the 16 tag bytes
  std::optional<std::int32_t> unpacked_size;   // packed only
  std::optional<Bytes> packed_data;            // the bytes after the unpacked size
  int compression_level = 6;
};

struct Collection {
  std::string name;
  std::int32_t frame_count = 0;
  std::int32_t direction_count = 0;
  // Frame-major: box f * direction_count + d. Missing boxes are written as zeros; extra ones
  // are written too (so a file can hold more boxes than F x D).
  std::vector<Box> boxes;
  ImageSet images;

  std::optional<Bytes> tag;  // the 12 tag bytes
  std::optional<std::int32_t> image_pos;
  std::optional<std::int32_t> name_length;
  std::optional<std::int32_t> frame_count_field;
  std::optional<std::int32_t> direction_count_field;

  // Sets box f * direction_count + d, growing the list as needed.
  void SetBox(std::int32_t frame, std::int32_t direction, Box box);
  // Adds a sub-image for (frame, direction, layer).
  void SetSubImage(std::int32_t frame, std::int32_t direction, int layer, Zar zar);
};

struct Sequence {
  std::vector<std::int16_t> frames;
  std::vector<std::int32_t> frame_values;  // cut or padded with zeros to frames.size()
  std::string name;
  std::uint16_t collection_index = 0;

  std::optional<std::int32_t> frame_count_field;
  std::optional<std::int32_t> name_length;
};

struct Sprite {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::array<std::uint8_t, 3> stretch1{};  // the two 3-byte stretches of the header
  std::array<std::uint8_t, 3> stretch2{};
  std::vector<Sequence> sequences;
  std::vector<Collection> collections;

  std::optional<Bytes> tag;  // the 11 tag bytes
  std::optional<std::int32_t> sequence_count_field;
  std::optional<std::int32_t> collection_count_field;
};

// Absolute offsets of the written parts, for tests that expect positions.
struct Layout {
  std::int64_t sequence_count = 0;               // the sequence count field
  std::vector<std::int64_t> sequences;           // each sequence record
  std::int64_t collection_count = 0;             // the collection count field
  std::vector<std::int64_t> collection_headers;  // each collection header
  std::vector<std::int64_t> image_sets;          // each image-set block (its tag)
  std::vector<std::int64_t> image_data;          // first byte after tag (and unpacked size)
  std::vector<std::int64_t> image_data_sizes;    // image data size before packing
};

// The place of (frame, direction, layer) in an image set.
std::int64_t SubImageNumber(bool packed, std::int32_t frame_count, std::int32_t direction_count,
                            std::int32_t frame, std::int32_t direction, int layer);

// The image data of a collection as it is before packing.
Bytes ImageData(const Collection& collection);
// A zlib stream (zlib header, deflate) of data.
Bytes Pack(const Bytes& data, int level = 6);

// The whole file.
Bytes WriteSprite(const Sprite& sprite, Layout* layout = nullptr);
// Writes the file to path; raises morvane::Error when it cannot be written.
void WriteSpriteFile(const std::string& path, const Sprite& sprite);

// A small, complete sprite: two collections (one plain, one packed) with four directions,
// several frames, all four layers and all run kinds, and sequences that use command markers.
Sprite DemoSprite();

}  // namespace morvane::sprwriter
