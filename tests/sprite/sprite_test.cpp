#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "sprite_test_util.h"
#include "support/temp_dir.h"

namespace morvane::testing {
namespace {

sw::Zar Pixels(std::int32_t left, std::int32_t top) {
  std::vector<sw::Pixel> pixels = {{3, 255}, {0, 0}, {0, 90}, {4, 17}, {5, 255}, {6, 255}};
  return sw::Zar::FromPixels(left, top, 3, 2, pixels);
}

// Three collections: a 2 x 3 one with boxes, palettes and sub-images, a 1 x 1 one of the
// other storage type holding only empty places, and one without cells that no sequence plays.
sw::Sprite FullSprite(bool packed) {
  sw::Sprite s;
  s.width = 40;
  s.height = -3;
  s.stretch1 = {1, 2, 3};
  s.stretch2 = {4, 5, 6};

  sw::Collection a = EmptyCollection(2, 3, packed);
  a.name = "alpha";
  for (std::int32_t f = 0; f < 2; ++f) {
    for (std::int32_t d = 0; d < 3; ++d) a.SetBox(f, d, {f, d, 100 + f, -200 - d});
  }
  a.images.palettes[0].colours = {0x11223344, 0x00FFFFFF};
  a.images.palettes[2].colours.resize(256);
  for (std::size_t i = 0; i < 256; ++i)
    a.images.palettes[2].colours[i] = 0x01010101u * static_cast<std::uint32_t>(i);
  a.images.palettes[3].colours = {0x80000001};
  a.SetSubImage(0, 0, 0, sw::Zar::Solid(1, 2, 3, 2, 5));
  a.SetSubImage(1, 2, 3, Pixels(-4, 6));
  sw::Zar odd = Pixels(7, 8);
  odd.subtype = '4';
  odd.reserved = 0x99;
  a.SetSubImage(1, 0, 1, odd);

  sw::Collection b = EmptyCollection(1, 1, !packed);
  b.name = "";
  sw::Collection c = EmptyCollection(0, 5, packed);
  c.name = "unplayed";
  s.collections = {a, b, c};

  sw::Sequence walk;
  walk.name = "walk";
  walk.frames = {0, 1, 1, 0};
  walk.frame_values = {-1, 2, 300000, 4};
  walk.collection_index = 0;
  sw::Sequence blank;
  blank.collection_index = 1;
  sw::Sequence orphan;
  orphan.name = "orphan";
  orphan.frames = {0};
  orphan.collection_index = 7;
  s.sequences = {walk, blank, orphan};
  return s;
}

// The numbers of the sequences that play collection i.
std::vector<std::int32_t> Players(const Sprite& sprite, std::int32_t i) {
  const std::span<const std::int32_t> players = sprite.SequencesOf(i);
  return {players.begin(), players.end()};
}

class RoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(RoundTrip, AWrittenSpriteParsesBackFieldForField) {
  const bool packed = GetParam();
  const sw::Sprite description = FullSprite(packed);
  sw::Layout layout;
  Parsed parsed(sw::WriteSprite(description, &layout));
  const Sprite& sprite = parsed.sprite;

  EXPECT_EQ(sprite.Width(), 40);
  EXPECT_EQ(sprite.Height(), -3);
  ASSERT_EQ(sprite.SequenceCount(), 3);
  ASSERT_EQ(sprite.CollectionCount(), 3);
  for (std::int32_t i = 0; i < 3; ++i) {
    const sw::Sequence& want = description.sequences[static_cast<std::size_t>(i)];
    const Sequence& got = *sprite.GetSequence(i);
    EXPECT_EQ(got.Name(), want.name);
    EXPECT_EQ(Entries(got), want.frames);
    EXPECT_EQ(got.CollectionIndex(), want.collection_index);
  }

  // Each collection lists the sequences that play it; the orphan's index 7 names none.
  const std::vector<std::int32_t> players[] = {{0}, {1}, {}};
  for (std::int32_t i = 0; i < 3; ++i) {
    const sw::Collection& want = description.collections[static_cast<std::size_t>(i)];
    const Collection& got = *sprite.GetCollection(i);
    EXPECT_EQ(got.Name(), want.name);
    EXPECT_EQ(got.FrameCount(), want.frame_count);
    EXPECT_EQ(got.DirectionCount(), want.direction_count);
    EXPECT_EQ(Players(sprite, i), players[i]);
    EXPECT_EQ(got.ImagePos(), layout.image_sets[static_cast<std::size_t>(i)]);
    EXPECT_EQ(got.Images().SubImageCount(), 0u);
  }
  EXPECT_EQ(sprite.GetCollection(0)->BoxAt(1, 2), (FrameBox{1, 2, 101, -202}));

  // The loaded values need nothing of the file: the rest runs on the sprite moved out of the
  // parse once the file is gone.
  for (std::int32_t i = 0; i < 3; ++i) parsed.Load(i);
  parsed.file.reset();
  const Sprite kept = std::move(parsed.sprite);
  const Collection& a = *kept.GetCollection(0);
  EXPECT_EQ(a.Images().StorageType(), packed ? ImageStorage::kPacked : ImageStorage::kPlain);
  ASSERT_EQ(a.Images().SubImageCount(), 24u);
  std::size_t images = 0;
  for (std::size_t n = 0; n < 24; ++n) {
    if (a.Images().SubImage(n)) ++images;
  }
  EXPECT_EQ(images, 3u);
  for (const auto& [key, want] : description.collections[0].images.sub_images) {
    const auto n = static_cast<std::size_t>(Collection::SubImageNumber(
        a.Images().StorageType(), 2, 3, key.frame, key.direction, key.layer));
    const ZarImage* got = a.Images().SubImage(n);
    ASSERT_NE(got, nullptr) << n;
    EXPECT_EQ(got->Left(), want.left);
    EXPECT_EQ(got->Top(), want.top);
    EXPECT_EQ(got->Width(), want.width);
    EXPECT_EQ(got->DataSize(), static_cast<std::int32_t>(want.data.size()));
  }
  // The runs arrive intact: frame 1, direction 2 (layer 3: indices 3, none, alpha-only 90)
  // draws entry 0 of its palette without the top byte; frame 0, direction 0 (layer 0) draws
  // entry 5 of its palette, which the file leaves unfilled.
  RgbCanvas drawn(3, 2);
  drawn.FillRect(0, 0, 3, 2, 0x123456);
  a.DrawFrame(1, 2, drawn, {4, -6}, 1);
  EXPECT_EQ(drawn.GetPixel(0, 0), 0u);
  EXPECT_EQ(drawn.GetPixel(1, 0), 0x123456u);
  EXPECT_EQ(drawn.GetPixel(2, 0), 0x000001u);
  a.DrawFrame(0, 0, drawn, {-1, -2}, -1);
  EXPECT_EQ(drawn.GetPixel(1, 0), 0u);

  const Collection& b = *kept.GetCollection(1);
  EXPECT_EQ(b.Images().StorageType(), packed ? ImageStorage::kPlain : ImageStorage::kPacked);
  ASSERT_EQ(b.Images().SubImageCount(), 4u);
  for (std::size_t n = 0; n < 4; ++n) EXPECT_EQ(b.Images().SubImage(n), nullptr);
  EXPECT_EQ(kept.GetCollection(2)->Images().SubImageCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Storage, RoundTrip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Packed" : "Plain"; });

TEST(SpriteContainer, EmptyListsAndLookupsOutOfRange) {
  sw::Sprite s;
  s.width = 1;
  Parsed empty(s);
  EXPECT_EQ(empty.sprite.SequenceCount(), 0);
  EXPECT_EQ(empty.sprite.CollectionCount(), 0);
  EXPECT_EQ(empty.file->Position(), empty.file->Size());  // the collection count came next

  Parsed full(FullSprite(false));
  EXPECT_EQ(full.sprite.GetSequence(-1), nullptr);
  EXPECT_EQ(full.sprite.GetSequence(3), nullptr);
  EXPECT_NE(full.sprite.GetSequence(2), nullptr);
  EXPECT_EQ(full.sprite.GetCollection(-1), nullptr);
  EXPECT_EQ(full.sprite.GetCollection(full.sprite.CollectionCount()), nullptr);
  EXPECT_EQ(ErrorOf<IndexError>([&] { LoadImageSet(*full.file, full.sprite, 3); }),
            "List index out of bounds (3)");
}

TEST(SpriteValues, BuiltInCodeTheyHoldWhatTheyAreGiven) {
  std::vector<Collection> collections;
  collections.emplace_back("still", 0, 3, std::vector<FrameBox>{}, 0);
  collections.emplace_back("walk", 1, 2, std::vector<FrameBox>{{1, 2, 3, 4}, {5, 6, 7, 8}}, 77);
  const Sprite sprite(
      5, 6,
      {Sequence("a", {0, 1}, 1), Sequence("b", {}, 0), Sequence("c", {2}, 1), Sequence("d", {}, 9)},
      std::move(collections));
  EXPECT_EQ(Players(sprite, 1), (std::vector<std::int32_t>{0, 2}));
  const Collection& walk = *sprite.GetCollection(1);
  EXPECT_EQ(walk.BoxAt(0, 1), (FrameBox{5, 6, 7, 8}));
  EXPECT_EQ(walk.ImagePos(), 77);
  EXPECT_EQ(walk.Images().SubImageCount(), 0u);
  // One box for every cell, no more and no fewer.
  EXPECT_EQ(ErrorOf<Error>([] { Collection("c", 2, 2, std::vector<FrameBox>(3), 0); }),
            "A collection of 2 x 2 cells cannot hold 3 frame boxes");
  EXPECT_EQ(ErrorOf<Error>([] { Collection("c", -1, 0, {}, 0); }),
            "A collection of -1 x 0 cells cannot hold 0 frame boxes");
}

TEST(Sequences, CommandMarkersHideTheThreeEntriesAfterThem) {
  auto parse = [](std::vector<std::int16_t> frames) {
    sw::Sprite s;
    s.sequences.resize(1);
    s.sequences[0].frames = std::move(frames);
    Parsed parsed(s);
    return Entries(*parsed.sprite.GetSequence(0));
  };
  using F = std::vector<std::int16_t>;
  EXPECT_EQ(parse({5, -43, 7, 8, 9, 6}), (F{5, -43, -1, -1, -1, 6}));
  // A marker hidden by an earlier one does not act.
  EXPECT_EQ(parse({-43, -43, 1, 2, 3}), (F{-43, -1, -1, -1, 3}));
  // A marker in one of the last three places changes nothing.
  EXPECT_EQ(parse({1, -43, 2, 3}), (F{1, -43, 2, 3}));
  EXPECT_EQ(parse({-43, 1, 2}), (F{-43, 1, 2}));
  EXPECT_EQ(parse({-43, 1, 2, 3}), (F{-43, -1, -1, -1}));
}

TEST(Sequences, EntriesAndCollectionIndex) {
  sw::Sprite s;
  s.sequences.resize(2);
  s.sequences[0].collection_index = 0xFFFF;
  s.sequences[1].frames = {-2, 32767, -32768};
  s.sequences[1].collection_index = 1;
  s.collections = {EmptyCollection(0, 0)};
  Parsed parsed(s);
  const Sequence& none = *parsed.sprite.GetSequence(0);
  EXPECT_EQ(none.FrameCount(), 0);
  EXPECT_EQ(none.FrameIndex(0), 0);
  EXPECT_EQ(none.CollectionIndex(), 65535);
  EXPECT_TRUE(parsed.sprite.SequencesOf(0).empty());
  const Sequence& some = *parsed.sprite.GetSequence(1);
  EXPECT_EQ(some.FrameIndex(0), -2);
  EXPECT_EQ(some.FrameIndex(2), -32768);
  EXPECT_EQ(some.FrameIndex(3), 0);
  EXPECT_EQ(some.FrameIndex(-1), 0);
}

TEST(Collections, BoxesAreFrameMajorAndExtentsPassThrough) {
  sw::Sprite s;
  sw::Collection c = EmptyCollection(3, 2);
  // Written in file order: (f0,d0), (f0,d1), (f1,d0), (f1,d1), (f2,d0), (f2,d1).
  for (std::int32_t i = 0; i < 6; ++i) c.boxes.push_back({i, 10 * i, 100 * i, 1000 * i});
  c.boxes[4] = {10, 20, 15, 22};
  c.boxes[5] = {15, 22, 10, 20};
  c.boxes[1] = {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN};
  s.collections = {c, EmptyCollection(0, 4)};
  Parsed parsed(s);
  const Collection& anim = *parsed.sprite.GetCollection(0);
  EXPECT_EQ(anim.BoxAt(1, 0), (FrameBox{2, 20, 200, 2000}));
  EXPECT_EQ(anim.BoxAt(1, 1), (FrameBox{3, 30, 300, 3000}));
  EXPECT_EQ(anim.ExtentAt(2, 0), (FrameExtent{5, 2}));
  EXPECT_EQ(anim.ExtentAt(2, 1), (FrameExtent{-5, -2}));
  EXPECT_EQ(anim.ExtentAt(0, 1), (FrameExtent{0xFFFFFFFFll, -0xFFFFFFFFll}));
  for (auto [f, d] : {std::pair{3, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
    EXPECT_TRUE(anim.BoxAt(f, d).IsEmpty());
    EXPECT_EQ(anim.ExtentAt(f, d), (FrameExtent{0, 0}));
  }
  const Collection& none = *parsed.sprite.GetCollection(1);
  EXPECT_TRUE(none.BoxAt(0, 0).IsEmpty());
  EXPECT_EQ(parsed.Load(1).Images().SubImageCount(), 0u);  // no cells: no places expected
}

TEST(ContainerErrors, MessagesAndPositions) {
  sw::Sprite base = FullSprite(false);
  sw::Layout at;
  sw::WriteSprite(base, &at);
  auto with = [&](auto change) {
    sw::Sprite s = base;
    change(s);
    return s;
  };

  EXPECT_EQ(ParseError<SpriteFormatError>(with([](sw::Sprite& s) {
              s.tag = sw::Bytes{'<', 's', 'p', 'r', 'i', 't', 'e', '>', 0, '5', 0};
            })),
            "not a <sprite> file");
  EXPECT_EQ(ParseError<SpriteFormatError>(with([](sw::Sprite& s) {
              s.tag = sw::Bytes{'<', 's', 'p', 'r', 'i', 't', 'e', '>', 0, '4', 1};
            })),
            "not a <sprite> file");
  EXPECT_EQ(ParseError<IoError>(sw::Bytes{'<', 's', 'p', 'r', 'i'}), "Read beyond end of file");
  EXPECT_EQ(ParseError<IoError>(sw::Bytes{}), "Read beyond end of file");

  EXPECT_EQ(ParseError<IndexError>(with([](sw::Sprite& s) { s.sequence_count_field = -1; })),
            "List capacity out of bounds (-1)");
  EXPECT_EQ(ParseError<IndexError>(with([](sw::Sprite& s) { s.collection_count_field = -2; })),
            "List capacity out of bounds (-2)");

  // Counts and lengths: the position is just after the value.
  const std::int64_t seq1 = at.sequences[1];
  EXPECT_EQ(ParseError<SpriteFormatError>(
                with([](sw::Sprite& s) { s.sequences[1].frame_count_field = -1; })),
            "bad frame count value. " + Pos(seq1 + 4));
  EXPECT_EQ(
      ParseError<SpriteFormatError>(with([](sw::Sprite& s) { s.sequences[0].name_length = -5; })),
      "bad name length value. " + Pos(at.sequences[0] + 4 + 6 * 4 + 4));

  const std::int64_t col1 = at.collection_headers[1];
  EXPECT_EQ(ParseError<SpriteFormatError>(with([](sw::Sprite& s) {
              s.collections[1].tag =
                  sw::Bytes{'<', 's', 'p', 'r', 'a', 'n', 'i', 'm', '>', 0, '2', 0};
            })),
            "<spranim> tag not found. " + Pos(col1 + 12));
  EXPECT_EQ(
      ParseError<SpriteFormatError>(with([](sw::Sprite& s) { s.collections[0].name_length = -1; })),
      "bad name length value. " + Pos(at.collection_headers[0] + 20));
  const std::int64_t col2_counts = at.collection_headers[2] + 20 + 8;  // after "unplayed"
  EXPECT_EQ(ParseError<SpriteFormatError>(
                with([](sw::Sprite& s) { s.collections[2].frame_count_field = -1; })),
            "bad frame count value. " + Pos(col2_counts + 4));
  EXPECT_EQ(ParseError<SpriteFormatError>(
                with([](sw::Sprite& s) { s.collections[2].direction_count_field = INT32_MIN; })),
            "bad direction count value. " + Pos(col2_counts + 8));
  // More boxes than the file holds.
  EXPECT_EQ(
      ParseError<IoError>(with([](sw::Sprite& s) { s.collections[2].frame_count_field = 1000; })),
      "Read beyond end of file");
}

}  // namespace
}  // namespace morvane::testing

namespace morvane::testing {
namespace {

TEST(DemoSprite, ReadsFromDiskAndDrawsEveryCell) {
  const std::string dir = NewTempDirectory("morvane-sprite-");
  ASSERT_FALSE(dir.empty());
  const std::string path = std::string(dir) + "/demo.spr";
  sw::WriteSpriteFile(path, sw::DemoSprite());
  {
    std::unique_ptr<DiskFile> file = DiskFile::Open(path);
    Sprite sprite = ParseSprite(*file);
    ASSERT_EQ(sprite.SequenceCount(), 3);
    ASSERT_EQ(sprite.CollectionCount(), 2);
    EXPECT_EQ(Entries(*sprite.GetSequence(0)),
              (std::vector<std::int16_t>{0, 1, 2, -43, -1, -1, -1, 1}));
    for (std::int32_t i = 0; i < 2; ++i) {
      Collection& anim = *sprite.GetCollection(i);
      EXPECT_FALSE(sprite.SequencesOf(i).empty());
      anim.SetImages(LoadImageSet(*file, sprite, i));
      EXPECT_EQ(anim.Images().StorageType(), i == 0 ? ImageStorage::kPlain : ImageStorage::kPacked);
      for (std::int32_t f = 0; f < anim.FrameCount(); ++f) {
        for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
          const FrameBox box = anim.BoxAt(f, d);
          const FrameExtent extent = anim.ExtentAt(f, d);
          RgbCanvas canvas(static_cast<std::int32_t>(extent.width),
                           static_cast<std::int32_t>(extent.height));
          anim.DrawFrame(f, d, canvas, {-box.left, -box.top}, -1);
          std::size_t drawn = 0;
          for (std::int32_t y = 0; y < canvas.Height(); ++y) {
            for (std::int32_t x = 0; x < canvas.Width(); ++x) drawn += canvas.GetPixel(x, y) != 0;
          }
          EXPECT_GT(drawn, 100u) << i << " " << f << " " << d;
        }
      }
      anim.SetImages(ImageSet{});
    }
  }
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

}  // namespace
}  // namespace morvane::testing
