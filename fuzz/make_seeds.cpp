// Writes the seed corpora of the fuzz targets with the sprite writer:
//   make_seeds CONVERT_DIR IMAGE_SET_DIR
// CONVERT_DIR gets whole sprite files: well-formed ones of every shape (1, 4, 8 and 5
// directions, plain and packed image sets, every run kind, command markers, boxes off the
// origin, several settings), one file for each way a sprite can be broken and small versions of
// files that once cost gigabytes or hours. IMAGE_SET_DIR gets the image data of small
// collections behind the four header bytes of fuzz_image_set. The
// checked-in corpora in fuzz/corpus are this program's output; the files are small on purpose.
#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "sprwriter/sprwriter.h"

namespace {

using namespace morvane::sprwriter;

// Colours with every channel in use, so the reduction has work to do.
std::vector<Colour> SmallPalette(Colour seed) {
  std::vector<Colour> colours;
  for (Colour i = 0; i < 16; ++i) colours.push_back((seed * (i + 1) * 2654435761u) & 0xFFFFFF);
  return colours;
}

// A w x h image with every run kind: opaque, transparent, index-and-alpha and alpha-only pixels.
Zar MixedZar(std::int32_t left, std::int32_t top, std::int32_t w, std::int32_t h, int phase) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(w) * h);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      Pixel& p = pixels[static_cast<std::size_t>(y) * w + x];
      switch ((x + y + phase) % 4) {
        case 0:
          p = {static_cast<std::uint8_t>(1 + (x + y) % 15), 255};
          break;
        case 1:
          p = {0, 0};
          break;
        case 2:
          p = {static_cast<std::uint8_t>(1 + x % 15), 96};
          break;
        default:
          p = {0, static_cast<std::uint8_t>(60 + y * 10)};
          break;
      }
    }
  }
  return Zar::FromPixels(left, top, w, h, pixels);
}

// F frames in D directions, a 6 x 6 image on layer 0 of every cell and a second layer on some.
Collection SmallCollection(std::int32_t frames, std::int32_t directions, bool packed) {
  Collection c;
  c.name = "anim";
  c.frame_count = frames;
  c.direction_count = directions;
  c.images.packed = packed;
  for (int layer = 0; layer < 4; ++layer) {
    c.images.palettes[static_cast<std::size_t>(layer)].colours = SmallPalette(layer + 3);
  }
  for (std::int32_t f = 0; f < frames; ++f) {
    for (std::int32_t d = 0; d < directions; ++d) {
      c.SetBox(f, d, {-3 + f, -6, 3 + f, 0 + d % 2});
      c.SetSubImage(f, d, 0, MixedZar(-3, -6, 6, 6, f + d));
      if ((f + d) % 2 == 0) c.SetSubImage(f, d, 2, Zar::Solid(-1, -2, 2, 2, 5));
    }
  }
  return c;
}

Sequence Seq(const std::string& name, std::vector<std::int16_t> frames, std::uint16_t index = 0) {
  Sequence s;
  s.name = name;
  s.frames = std::move(frames);
  s.collection_index = index;
  return s;
}

// A sprite of one small collection played by one sequence over its frames.
Sprite Simple(std::int32_t frames, std::int32_t directions, bool packed) {
  Sprite sprite;
  sprite.width = 8;
  sprite.height = 8;
  sprite.collections.push_back(SmallCollection(frames, directions, packed));
  std::vector<std::int16_t> positions;
  for (std::int16_t f = 0; f < frames; ++f) positions.push_back(f);
  sprite.sequences.push_back(Seq("walk", positions));
  return sprite;
}

// The settings bytes of fuzz_convert: flags, threshold, background.
Sprite WithSettings(Sprite sprite, std::uint8_t flags, std::uint8_t threshold,
                    std::uint8_t background) {
  sprite.stretch1 = {flags, threshold, background};
  return sprite;
}

class Writer {
 public:
  Writer(std::string convert_dir, std::string image_set_dir)
      : convert_dir_(std::move(convert_dir)), image_set_dir_(std::move(image_set_dir)) {}

  void Sprite(const std::string& name, const morvane::sprwriter::Sprite& sprite) {
    Put(convert_dir_ + "/" + name + ".spr", WriteSprite(sprite));
  }
  void Raw(const std::string& name, const Bytes& bytes) {
    Put(convert_dir_ + "/" + name + ".spr", bytes);
  }
  // header: the four bytes fuzz_image_set reads before the image data.
  void ImageSet(const std::string& name, std::array<std::uint8_t, 4> header, const Bytes& data) {
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    Put(image_set_dir_ + "/" + name, bytes);
  }

 private:
  static void Put(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
      throw std::runtime_error("cannot write " + path);
    }
  }
  std::string convert_dir_;
  std::string image_set_dir_;
};

void WriteWellFormed(Writer& out) {
  out.Sprite("demo", DemoSprite());
  out.Sprite("one_direction_plain", Simple(3, 1, false));
  out.Sprite("four_directions_packed", Simple(2, 4, true));
  out.Sprite("eight_directions_plain", Simple(1, 8, false));
  out.Sprite("five_directions_packed", Simple(2, 5, true));
  out.Sprite("binary_transparency_white", WithSettings(Simple(2, 1, false), 0x01, 100, 1));
  out.Sprite("static_rle_no_dither", WithSettings(Simple(3, 4, true), 0x0E, 128, 2));
  out.Sprite("pattern_skips", WithSettings(Simple(2, 1, false), 0x30, 1, 3));
  out.Sprite("full_alpha_outputs", WithSettings(Simple(3, 4, false), 0x00, 128, 0x1C));
  out.Sprite("full_alpha_without_gif", WithSettings(Simple(2, 1, true), 0x04, 128, 0x34));

  auto markers = Simple(4, 1, false);
  markers.sequences[0].frames = {0, -43, 1, 2, 3, 1, -43, -43, 1, 2, 3, -1, 2, -43};
  markers.sequences.push_back(Seq("a_long_sequence_name_over_twenty", {3, 2, 1, 0}));
  markers.sequences.push_back(Seq("nowhere", {0}, 0xFFFF));
  out.Sprite("command_markers", markers);

  auto boxes = Simple(3, 1, true);
  boxes.collections[0].SetBox(0, 0, {10, 20, 16, 26});
  boxes.collections[0].SetBox(1, 0, {-40, -5, -34, 1});
  boxes.collections[0].SetBox(2, 0, {0, 0, 0, 3});  // counted, never drawn
  out.Sprite("boxes_apart", boxes);
  out.Sprite("boxes_apart_static", WithSettings(boxes, 0x04, 128, 0));

  auto nothing_drawn = Simple(2, 1, false);
  nothing_drawn.collections[0].SetBox(0, 0, {5, 5, 5, 9});
  nothing_drawn.collections[0].SetBox(1, 0, {});
  out.Sprite("nothing_drawn", nothing_drawn);

  morvane::sprwriter::Sprite empty;
  empty.width = 4;
  empty.height = 4;
  out.Sprite("no_sequences", empty);

  auto two = Simple(2, 1, false);
  two.collections.push_back(SmallCollection(1, 4, true));
  two.sequences.push_back(Seq("turn", {0, 0}, 1));
  two.sequences.push_back(Seq("w/al\\k", {1, 0}));
  out.Sprite("two_collections", two);
}

void WriteBroken(Writer& out) {
  auto tag = Simple(1, 1, false);
  tag.tag = Bytes{'<', 's', 'p', 'r', 'i', 't', 'e', '>', 0, '5', 0};
  out.Sprite("bad_sprite_tag", tag);

  Bytes cut = WriteSprite(Simple(1, 1, false));
  cut.resize(40);
  out.Raw("cut_in_sequence", cut);

  auto counts = Simple(1, 1, false);
  counts.sequence_count_field = -1;
  out.Sprite("negative_sequence_count", counts);
  counts = Simple(1, 1, false);
  counts.sequences[0].frame_count_field = -2;
  out.Sprite("negative_frame_count", counts);
  counts = Simple(1, 1, false);
  counts.collections[0].direction_count_field = -1;
  out.Sprite("negative_direction_count", counts);
  counts = Simple(1, 1, false);
  counts.sequences[0].frame_count_field = 0x7FFFFFFF;
  out.Sprite("huge_frame_count", counts);

  auto anim = Simple(1, 1, false);
  anim.collections[0].tag = Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm', '>', 0, '2', 0};
  out.Sprite("bad_spranim_tag", anim);

  auto images = Simple(1, 1, false);
  images.collections[0].images.tag =
      Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm', '_', 'i', 'm', 'g', '>', 0, '3', 0};
  out.Sprite("unknown_image_type", images);

  images = Simple(1, 1, false);
  images.collections[0].images.palettes[1].count = 257;
  out.Sprite("too_many_palette_entries", images);

  images = Simple(1, 1, false);
  images.collections[0].images.palettes[2].count = -1;
  out.Sprite("negative_palette_count", images);

  images = Simple(1, 1, false);
  images.collections[0].images.tail = {0x07};
  images.collections[0].images.end_marker = false;
  out.Sprite("bad_record", images);

  images = Simple(1, 1, false);
  images.collections[0].images.sub_images.begin()->second.tag =
      Bytes{'<', 'z', 'a', 'r', '>', 0, '5', 0};
  out.Sprite("bad_zar_subtype", images);

  images = Simple(1, 1, false);
  images.collections[0].images.sub_images.begin()->second.palette_flag = 1;
  out.Sprite("zar_with_palette", images);

  images = Simple(1, 1, false);
  images.collections[0].images.sub_images.begin()->second.data_size = 1 << 30;
  out.Sprite("zar_data_past_end", images);

  images = Simple(1, 1, false);
  images.collections[0].images.sub_images.begin()->second.data = {0xFD, 1,
                                                                  2};  // 63 pixels, 2 bytes
  out.Sprite("run_past_data", images);

  images = Simple(2, 1, false);
  images.collections[0].frame_count_field = 1;  // the image set holds two frames' places
  out.Sprite("wrong_subimage_count", images);

  images = Simple(2, 2, true);
  images.collections[0].images.unpacked_size = 100;
  out.Sprite("packed_shorter_than_data", images);
  images.collections[0].images.unpacked_size = 0x7FFFFFFF;
  out.Sprite("packed_promises_too_much", images);
  Bytes packed = Pack(ImageData(images.collections[0]));
  packed.resize(packed.size() / 2);
  images.collections[0].images.unpacked_size.reset();
  images.collections[0].images.packed_data = packed;
  out.Sprite("packed_cut_short", images);
  packed[2] ^= 0xFF;
  images.collections[0].images.packed_data = packed;
  out.Sprite("packed_corrupt", images);

  auto big = Simple(1, 1, false);
  big.collections[0].SetBox(0, 0, {0, 0, 65536, 2});
  out.Sprite("too_wide_for_gif", big);
  big.collections[0].SetBox(0, 0, {-3000, -3000, 3000, 3000});
  out.Sprite("canvas_over_limit", big);
  big.collections[0].SetBox(0, 0, {0, 0, 0, 0});
  big.width = 0;
  out.Sprite("empty_sprite_canvas", big);

  morvane::sprwriter::Sprite directions;
  directions.width = 2;
  directions.height = 2;
  Collection many;
  many.name = "many";
  many.direction_count = 5000;
  directions.collections.push_back(many);
  directions.sequences.push_back(Seq("s", {}));
  out.Sprite("too_many_directions", directions);
}

// A ZAR image one pixel wide whose run data is rows of one opaque pixel each.
Zar Column(std::int32_t rows) {
  Zar zar;
  zar.width = 1;
  zar.height = rows;
  for (std::int32_t row = 0; row < rows; ++row) {
    zar.data.push_back(Control(kRunOpaque, 1));
    zar.data.push_back(static_cast<std::uint8_t>(1 + row % 3));
  }
  return zar;
}

// The image data of a 1 x 1 collection: empty palettes, three empty places and a column of
// rows, as it is before packing.
Bytes ColumnAfterEmptyPlaces(std::int32_t rows) {
  Collection c;
  c.frame_count = 1;
  c.direction_count = 1;
  c.images.records = std::vector<Record>{Record::Empty(), Record::Empty(), Record::Empty(),
                                         Record::Image(Column(rows))};
  return ImageData(c);
}

// Small versions of files that once cost gigabytes or hours: a packed set of empty places far
// past its count, a 1 x 1 image of long run data drawn by many frames, many sequences that
// name no collection beside many empty collections, a record that announces more image data
// than a collection may hold, and a record that crosses the unpacked size its set states.
void WriteProbeShapes(Writer& out) {
  auto places = Simple(1, 1, true);
  places.collections[0].images.packed_data = Pack(Bytes(16 + (1 << 22), 0), 9);
  places.collections[0].images.unpacked_size = 0x7FFFFFFF;
  out.Sprite("probe_empty_places", places);

  for (const auto& [name, rows, frames] : {std::tuple{"probe_long_runs", 1 << 17, 4096},
                                           std::tuple{"probe_long_runs_few_frames", 1 << 13, 64}}) {
    auto runs = Simple(1, 1, true);
    runs.collections[0].images.sub_images.clear();
    runs.collections[0].SetSubImage(0, 0, 0, Column(rows));
    runs.collections[0].SetBox(0, 0, {0, 0, 1, 1});
    runs.sequences[0].frames.assign(static_cast<std::size_t>(frames), 0);
    out.Sprite(name, runs);
  }

  morvane::sprwriter::Sprite many;
  many.width = 2;
  many.height = 2;
  Collection empty;
  empty.name = "e";
  many.collections.assign(600, empty);
  many.sequences.assign(1500, Seq("s", {0}, 0xFFFF));
  for (std::size_t j = 0; j < many.sequences.size(); j += 5) {
    many.sequences[j].collection_index = static_cast<std::uint16_t>(j * 7 % 600);
  }
  out.Sprite("probe_many_collections", many);

  auto limit = Simple(1, 1, true);
  limit.collections[0].images.sub_images.begin()->second.data_size = 0x40000000;
  out.Sprite("probe_image_data_limit", limit);

  auto crossing = Simple(1, 1, true);
  crossing.collections[0].images.packed_data = Pack(ColumnAfterEmptyPlaces(1 << 17), 9);
  crossing.collections[0].images.unpacked_size = 16 + 3 + 30 + 10;
  out.Sprite("probe_record_crosses_stated_size", crossing);
}

void WriteImageSets(Writer& out) {
  out.ImageSet("plain_1x1", {0x00, 0x01, 0x0F, 0}, ImageData(SmallCollection(1, 1, false)));
  out.ImageSet("plain_2x4", {0x34, 0x52, 0x1F, 0}, ImageData(SmallCollection(2, 4, false)));
  out.ImageSet("packed_3x1", {0x09, 0x00, 0x0F, 0}, ImageData(SmallCollection(3, 1, true)));
  const Collection packed = SmallCollection(1, 2, true);
  out.ImageSet("zlib_as_given_1x2", {0x12, 0x01, 0x0F, 0}, Pack(ImageData(packed)));
  out.ImageSet("zlib_promise_short_1x2", {0x12, 0x01, 0x0F, 2}, Pack(ImageData(packed)));

  Collection broken = SmallCollection(1, 1, false);
  broken.images.palettes[0].count = 257;
  out.ImageSet("too_many_palette_entries", {0x00, 0x00, 0x0F, 0}, ImageData(broken));
  broken = SmallCollection(1, 1, false);
  broken.images.records = std::vector<Record>{Record::Empty(), Record::Raw({0x01, 0, 0}),
                                              Record::Empty(), Record::End()};
  out.ImageSet("record_cut_in_left", {0x00, 0x00, 0x0F, 0}, ImageData(broken));
  broken = SmallCollection(1, 1, false);
  Zar runs;
  runs.width = 5;
  runs.height = 3;
  // Every kind, a run of 0 pixels, a run past the width and a last run cut short.
  runs.data = {Control(kRunOpaque, 2),
               1,
               2,
               Control(kRunTransparent, 3),
               Control(kRunWithAlpha, 0),
               Control(kRunWithAlpha, 2),
               3,
               200,
               4,
               1,
               Control(kRunAlphaOnly, 7),
               1,
               2,
               3,
               4,
               5,
               6,
               7,
               Control(kRunOpaque, 9),
               1};
  broken.images.records =
      std::vector<Record>{Record::Image(runs), Record::Empty(), Record::Empty(), Record::Empty()};
  out.ImageSet("every_run_kind", {0x00, 0x01, 0x07, 0}, ImageData(broken));

  // The probe shapes, packed as given: empty places far past the count, long run data in one
  // cell, and a record that crosses the stated size (here 64 bytes).
  out.ImageSet("probe_empty_places", {0x02, 0x01, 0x00, 0}, Pack(Bytes(16 + (1 << 22), 0), 9));
  out.ImageSet("probe_long_runs", {0x02, 0x01, 0x00, 0}, Pack(ColumnAfterEmptyPlaces(1 << 19), 9));
  out.ImageSet("probe_record_crosses_stated_size", {0x02, 0x01, 0x00, 1},
               Pack(ColumnAfterEmptyPlaces(1 << 17), 9));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CONVERT_DIR IMAGE_SET_DIR\n", argv[0]);
    return 2;
  }
  try {
    Writer out(argv[1], argv[2]);
    WriteWellFormed(out);
    WriteBroken(out);
    WriteProbeShapes(out);
    WriteImageSets(out);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
