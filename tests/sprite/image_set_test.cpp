#include <gtest/gtest.h>

#include <set>

#include "sprite_test_util.h"

namespace morvane::testing {
namespace {

// One 1 x 1 collection (four places) followed by a second collection, so that the first
// image set's data is a window that ends where the next block begins.
sw::Sprite TwoCollections(bool packed) {
  sw::Sprite s;
  sw::Collection first = EmptyCollection(1, 1, packed);
  first.images.palettes[0].colours = {1, 2, 3};
  first.images.palettes[1].colours = {};
  first.images.palettes[2].colours = {4};
  first.images.palettes[3].colours = {5, 6};
  first.SetSubImage(0, 0, 1, sw::Zar::Solid(0, 0, 2, 2, 1));
  sw::Collection second = EmptyCollection(1, 1, !packed);
  second.SetSubImage(0, 0, 0, sw::Zar::Solid(0, 0, 1, 1, 0));
  s.collections = {first, second};
  return s;
}

// Image-data bytes of the four palettes of TwoCollections' first image set.
constexpr std::int64_t kPalettesSize = 4 * 4 + 4 * (3 + 0 + 1 + 2);

class ImageSetErrors : public ::testing::TestWithParam<bool> {
 protected:
  std::string Load(const std::function<void(sw::ImageSet&)>& change) {
    sw::Sprite s = TwoCollections(GetParam());
    change(s.collections[0].images);
    return ParseError<SpriteFormatError>(s);
  }
};

TEST_P(ImageSetErrors, Tags) {
  sw::Sprite s = TwoCollections(GetParam());
  sw::Layout at;
  sw::WriteSprite(s, &at);
  const std::int64_t after_tag = at.image_sets[0] + 16;
  EXPECT_EQ(Load([](sw::ImageSet& i) {
              i.tag = sw::Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm',
                                '_', 'i', 'm', 'g', '>', 0,   '3', 0};
            }),
            "unknown <spranim_img> type. " + Pos(after_tag));
  EXPECT_EQ(Load([](sw::ImageSet& i) {
              i.tag = sw::Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm',
                                '_', 'i', 'm', 'g', '>', 1,   '1', 0};
            }),
            "unknown <spranim_img> type. " + Pos(after_tag));
  EXPECT_EQ(Load([](sw::ImageSet& i) {
              i.tag = sw::Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm', '>', 0, '1', 0, 0, 0, 0, 0};
            }),
            "<spranim_img> tag not found. " + Pos(after_tag));
}

TEST_P(ImageSetErrors, PalettesAndRecordsCountStreamPositions) {
  EXPECT_EQ(Load([](sw::ImageSet& i) { i.palettes[2].colours.assign(257, 0); }),
            "too many palette entries. " + Pos(4 + 12 + 4 + 4));
  EXPECT_EQ(Load([](sw::ImageSet& i) { i.palettes[1].count = INT32_MIN; }),
            "bad palette entry count value. " + Pos(4 + 12 + 4));
  EXPECT_EQ(Load([](sw::ImageSet& i) {
              i.records = {sw::Record::Empty(), sw::Record::Raw({0x02})};
            }),
            "incorrect spranim_img. " + Pos(kPalettesSize + 2));
  EXPECT_EQ(Load([](sw::ImageSet& i) { i.records = {sw::Record::End()}; }),
            "wrong number of subimages: 0");
  EXPECT_EQ(
      Load([](sw::ImageSet& i) { i.records = std::vector<sw::Record>(5, sw::Record::Empty()); }),
      "wrong number of subimages: 5");
}

TEST_P(ImageSetErrors, ZarBlocksCountStreamPositions) {
  // The ZAR block starts after the record byte, Left and Top.
  const std::int64_t zar = kPalettesSize + 1 + 8;
  auto with_zar = [&](const std::function<void(sw::Zar&)>& change) {
    return Load([&](sw::ImageSet& i) {
      sw::Zar z = sw::Zar::Solid(0, 0, 1, 1, 0);
      change(z);
      i.records = {sw::Record::Image(z)};
    });
  };
  EXPECT_EQ(with_zar([](sw::Zar& z) { z.tag = sw::Bytes{'<', 'z', 'a', 'r', '>', 1, '3', 0}; }),
            "<zar> tag not found. " + Pos(zar + 8));
  EXPECT_EQ(with_zar([](sw::Zar& z) { z.subtype = '2'; }), "unknown zar subtype=2 " + Pos(zar + 8));
  EXPECT_EQ(with_zar([](sw::Zar& z) { z.subtype = '\0'; }),
            std::string("unknown zar subtype=\0 ", 22) + Pos(zar + 8));
  EXPECT_EQ(with_zar([](sw::Zar& z) { z.palette_flag = 1; }),
            "zar must not include palette. " + Pos(zar + 17));
  EXPECT_EQ(with_zar([](sw::Zar& z) { z.data_size = -1; }),
            "bad zar data size value. " + Pos(zar + 21));
  // Only the palette flag 1 is refused; subtype 4 is read like 3.
  EXPECT_EQ(with_zar([](sw::Zar& z) {
              z.palette_flag = 2;
              z.subtype = '4';
            }),
            "wrong number of subimages: 1");
}

TEST_P(ImageSetErrors, DataCutInsideARecordEndsTheList) {
  const auto zar = sw::Zar::Solid(0, 0, 1, 1, 0);
  sw::Bytes whole;
  {
    sw::Collection c = EmptyCollection(0, 0);
    c.images.records = {sw::Record::Image(zar)};
    whole = sw::ImageData(c);
    whole.erase(whole.begin(), whole.begin() + 16);  // keep only the record
  }
  // Cut in Left/Top, in the ZAR header, in DataSize and in the data: the cut record is not
  // appended and the two empty places before it are all there is.
  for (const std::size_t keep :
       {3u, 9u, 15u, 23u, 27u, 30u, static_cast<unsigned>(whole.size() - 1)}) {
    SCOPED_TRACE(keep);
    EXPECT_EQ(Load([&](sw::ImageSet& i) {
                i.records = {sw::Record::Empty(), sw::Record::Empty(),
                             sw::Record::Raw(sw::Bytes(whole.begin(), whole.begin() + keep))};
              }),
              "wrong number of subimages: 2");
  }
  // A DataSize that reaches into the next block: the window stops at the block's end.
  EXPECT_EQ(Load([&](sw::ImageSet& i) {
              sw::Zar big = zar;
              big.data_size = 40;
              i.records = {sw::Record::Empty(), sw::Record::Image(big)};
            }),
            "wrong number of subimages: 1");
  // A palette cut short ends the data before any record.
  EXPECT_EQ(Load([](sw::ImageSet& i) { i.data = sw::Bytes{3, 0, 0, 0, 1, 2, 3, 4, 5}; }),
            "wrong number of subimages: 0");
  EXPECT_EQ(Load([](sw::ImageSet& i) {
              i.data = sw::Bytes{3, 0};
            }),
            "wrong number of subimages: 0");
}

TEST(PackedImageSets, PromisedSizeIsNotTrusted) {
  // A promise larger than the data: the list ends where the stream does.
  sw::Sprite s = TwoCollections(true);
  s.collections[0].images.unpacked_size = INT32_MAX;
  s.collections[0].images.end_marker = false;
  Parsed parsed(s);
  EXPECT_EQ(parsed.Load(0).Images().SubImageCount(), 4u);
  // No promise at all: nothing is read.
  s.collections[0].images.unpacked_size = -1;
  EXPECT_EQ(ParseError<SpriteFormatError>(s), "wrong number of subimages: 0");
}

INSTANTIATE_TEST_SUITE_P(Storage, ImageSetErrors, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Packed" : "Plain"; });

TEST(ImageSets, ListEndsAtEndMarkerOrEndOfData) {
  for (const bool packed : {false, true}) {
    sw::Sprite s = TwoCollections(packed);
    s.collections[0].images.end_marker = false;
    Parsed(s).Load(0);
    s.collections[0].images.end_marker = true;
    s.collections[0].images.tail = {0x77, 0x01, 0x02};  // after the marker: never read
    Parsed(s).Load(0);
    // No cells: a marker right after the palettes, or no records at all, is accepted.
    sw::Sprite none = TwoCollections(packed);
    none.collections[0] = EmptyCollection(0, 3, packed);
    EXPECT_EQ(Parsed(none).Load(0).Images().SubImageCount(), 0u);
    none.collections[0].images.end_marker = false;
    EXPECT_EQ(Parsed(none).Load(0).Images().SubImageCount(), 0u);
    // A palette cut short is accepted when no place is expected.
    none.collections[0].images.data = sw::Bytes{1, 0, 0, 0, 9};
    EXPECT_EQ(Parsed(none).Load(0).Images().SubImageCount(), 0u);
  }
}

TEST(ImageSets, PaletteSizes) {
  // Layer l's image lies on row l and draws entries 0..255 of its palette: a palette of 256
  // entries is taken whole, stored blue, green, red, x; empty palettes leave every entry 0.
  sw::Sprite s = TwoCollections(false);
  sw::Collection& c = s.collections[0];
  auto& palettes = c.images.palettes;
  palettes[0].colours.assign(256, 0);
  for (std::size_t i = 0; i < 256; ++i)
    palettes[0].colours[i] = static_cast<std::uint32_t>(i * 0x01020304u);
  palettes[3].colours = {};
  std::vector<sw::Pixel> row(256);
  for (std::size_t i = 0; i < 256; ++i) row[i] = {static_cast<std::uint8_t>(i), 255};
  for (const int layer : {0, 1, 3})
    c.SetSubImage(0, 0, layer, sw::Zar::FromPixels(0, layer, 256, 1, row));
  Parsed parsed(s);
  RgbCanvas canvas(256, 4);
  canvas.FillRect(0, 0, 256, 4, 0x123456);
  parsed.Load(0).DrawFrame(0, 0, canvas, {0, 0}, -1);
  for (std::int32_t i = 0; i < 256; ++i) {
    ASSERT_EQ(canvas.GetPixel(i, 0), static_cast<std::uint32_t>(i * 0x01020304u) & 0xFFFFFF) << i;
    ASSERT_EQ(canvas.GetPixel(i, 1), 0u);
    ASSERT_EQ(canvas.GetPixel(i, 2), 0x123456u);
    ASSERT_EQ(canvas.GetPixel(i, 3), 0u);
  }
}

// F = 2, D = 3; place k holds a 1 x 1 image at column k, so the columns drawn show which
// places a frame uses. The records are laid out by hand, independently of the writer's
// numbering.
std::set<std::int32_t> PlacesDrawn(bool packed, std::int32_t frame, std::int32_t direction) {
  sw::Sprite s;
  sw::Collection c = EmptyCollection(2, 3, packed);
  std::vector<sw::Record> records;
  for (std::int32_t k = 0; k < 24; ++k)
    records.push_back(sw::Record::Image(sw::Zar::Solid(k, 0, 1, 1, 1)));
  records.push_back(sw::Record::End());
  c.images.records = records;
  for (auto& p : c.images.palettes) p.colours = {0, 0xFFFFFF};
  s.collections = {c};
  Parsed parsed(s);
  RgbCanvas canvas(30, 1);
  parsed.Load(0).DrawFrame(frame, direction, canvas, {0, 0}, -1);
  std::set<std::int32_t> drawn;
  for (std::int32_t x = 0; x < 30; ++x) {
    if (canvas.GetPixel(x, 0) != 0) drawn.insert(x);
  }
  return drawn;
}

TEST(DrawFrame, SubImageNumbersOfBothStorageTypes) {
  EXPECT_EQ(PlacesDrawn(false, 1, 2), (std::set<std::int32_t>{20, 21, 22, 23}));
  EXPECT_EQ(PlacesDrawn(true, 1, 2), (std::set<std::int32_t>{5, 11, 17, 23}));
  EXPECT_EQ(PlacesDrawn(false, 0, 1), (std::set<std::int32_t>{4, 5, 6, 7}));
  EXPECT_EQ(PlacesDrawn(true, 0, 1), (std::set<std::int32_t>{2, 8, 14, 20}));
  // Cells out of range draw nothing and raise nothing.
  EXPECT_TRUE(PlacesDrawn(false, 2, 0).empty());
  EXPECT_TRUE(PlacesDrawn(true, 0, -1).empty());
  EXPECT_TRUE(PlacesDrawn(true, -1, 0).empty());
  EXPECT_TRUE(PlacesDrawn(false, 0, 3).empty());
  // The writer lays sub-images out in the same numbering.
  for (int l = 0; l < 4; ++l) {
    EXPECT_EQ(sw::SubImageNumber(false, 2, 3, 1, 2, l), 20 + l);
    EXPECT_EQ(sw::SubImageNumber(true, 2, 3, 1, 2, l), 5 + 6 * l);
  }
}

TEST(DrawFrame, LayersGoInOrderEachWithItsPalette) {
  constexpr ColorValue kBackground = 0x00646464;  // 100 in every channel
  auto draw = [&](std::uint8_t alpha, std::int32_t threshold, bool packed) {
    sw::Sprite s;
    sw::Collection c = EmptyCollection(1, 1, packed);
    for (int l = 0; l < 4; ++l)
      c.images.palettes[static_cast<std::size_t>(l)].colours = {0, 0x00C80000u + 10u * l};
    // Layers 1 and 2 cover (0, 0); layer 2 also (1, 0); layer 3 only (2, 0).
    c.SetSubImage(0, 0, 1, sw::Zar::Solid(0, 0, 1, 1, 1));
    c.SetSubImage(0, 0, 2, sw::Zar::FromPixels(0, 0, 2, 1, {{1, alpha}, {1, alpha}}));
    c.SetSubImage(0, 0, 3, sw::Zar::Solid(1, 0, 1, 1, 1));
    s.collections = {c};
    Parsed parsed(s);
    RgbCanvas canvas(4, 1);
    canvas.FillRect(0, 0, 4, 1, kBackground);
    parsed.Load(0).DrawFrame(0, 0, canvas, {1, 0}, threshold);
    return std::vector<ColorValue>{canvas.GetPixel(0, 0), canvas.GetPixel(1, 0),
                                   canvas.GetPixel(2, 0), canvas.GetPixel(3, 0)};
  };
  for (const bool packed : {false, true}) {
    // Opaque: the later layer wins where layers overlap.
    EXPECT_EQ(draw(255, -1, packed),
              (std::vector<ColorValue>{kBackground, 0x00C80014, 0x00C8001E, kBackground}));
    // Half alpha: layer 2 mixes with layer 1 at (1, 0) and with the background at (2, 0),
    // before layer 3 covers (2, 0).
    const ColorValue over_layer1 =
        ((127u * 0xC8 + 128 * 0xC8) / 255) << 16 | (127u * 10 + 128 * 20) / 255;
    EXPECT_EQ(draw(128, -1, packed),
              (std::vector<ColorValue>{kBackground, over_layer1, 0x00C8001E, kBackground}));
    // Binary transparency below the threshold leaves what is there.
    EXPECT_EQ(draw(128, 129, packed),
              (std::vector<ColorValue>{kBackground, 0x00C8000A, 0x00C8001E, kBackground}));
  }
}

TEST(DrawFrame, NumbersBeyondTheListAreListErrors) {
  sw::Sprite s;
  s.collections = {EmptyCollection(1, 1)};
  Parsed parsed(s);
  Collection& anim = parsed.Load(0);
  RgbCanvas canvas(2, 2);
  EXPECT_EQ(ErrorOf<IndexError>([&] {
              anim.Images().DrawSubImage(4, canvas, 0, {0, 0}, -1);
            }),
            "List index out of bounds (4)");
  EXPECT_EQ(ErrorOf<IndexError>([&] {
              anim.Images().DrawSubImage(-1, canvas, 0, {0, 0}, -1);
            }),
            "List index out of bounds (-1)");
  anim.Images().DrawSubImage(3, canvas, 3, {0, 0}, -1);  // an empty place draws nothing
}

}  // namespace
}  // namespace morvane::testing
