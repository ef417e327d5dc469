// What the readers hold follows the bytes a sprite can show: places that draw nothing and
// records past the count a collection needs are only counted, palettes are made when the
// images are loaded, a collection's image data has a limit, a record is read whole however it
// crosses the stated size, drawing stops below the canvas, and sequences are grouped once.
// Each test is a small version of a file that once cost gigabytes or hours.
#include <gtest/gtest.h>

#include "allocation_probe.h"
#include "sprite_test_util.h"

namespace morvane::testing {
namespace {

constexpr std::size_t kSmallMemory = 1 << 20;
constexpr std::int32_t kNoPromise = INT32_MAX;  // an unpacked size that bounds nothing

// One collection of 1 x 1 cells (four places) whose packed image data is the zlib stream given.
sw::Sprite PackedAsGiven(sw::Bytes stream, std::int32_t unpacked_size = kNoPromise) {
  sw::Sprite s;
  s.collections = {EmptyCollection(1, 1, true)};
  s.collections[0].images.packed_data = std::move(stream);
  s.collections[0].images.unpacked_size = unpacked_size;
  return s;
}

// The error of kind E that loading collection 0 of the parsed file raises, and what the loading
// allocated (the file itself is parsed before).
template <typename E>
std::pair<std::string, std::size_t> LoadError(const sw::Sprite& description) {
  Parsed parsed(description);
  AllocationProbe probe;
  std::string message = ErrorOf<E>([&] { parsed.Load(0); });
  return {std::move(message), probe.Total()};
}

std::string Limit(std::int64_t bytes) {
  return "Image data of " + std::to_string(bytes) +
         " bytes passes the limit of 1073741824 bytes per collection";
}

// A ZAR image one pixel wide whose run data is rows of one opaque pixel each, index 1 + row % 7.
sw::Zar Column(std::int32_t rows) {
  sw::Zar zar;
  zar.width = 1;
  zar.height = rows;
  for (std::int32_t row = 0; row < rows; ++row) {
    zar.data.push_back(sw::Control(sw::kRunOpaque, 1));
    zar.data.push_back(static_cast<std::uint8_t>(1 + row % 7));
  }
  return zar;
}

TEST(EmptyPlaces, AreCountedNotKept) {
  // Four empty palettes and then 16 Mi empty places, from 100 KB of packed data.
  const auto [message, allocated] =
      LoadError<SpriteFormatError>(PackedAsGiven(PackedZeros(16 + (1 << 24))));
  EXPECT_EQ(message, "wrong number of subimages: 16777216");
  EXPECT_LT(allocated, kSmallMemory);

  // The places end where the stated size does, as one-byte reads would.
  EXPECT_EQ(LoadError<SpriteFormatError>(PackedAsGiven(PackedZeros(5000), 16 + 1000)).first,
            "wrong number of subimages: 1000");

  sw::Sprite plain;
  plain.collections = {EmptyCollection(1, 1)};
  plain.collections[0].images.data = sw::Bytes(16 + (1 << 20), 0);
  const auto [plain_message, plain_allocated] = LoadError<SpriteFormatError>(plain);
  EXPECT_EQ(plain_message, "wrong number of subimages: 1048576");
  EXPECT_LT(plain_allocated, kSmallMemory);
}

TEST(EmptyPlaces, ImagesKeepTheirNumbersAmongThem) {
  for (const bool packed : {false, true}) {
    // Two frames: places 0..7. Only place 5 (plain: frame 1, layer 1; packed: layer 2, frame 1)
    // holds an image.
    sw::Sprite s;
    s.collections = {EmptyCollection(2, 1, packed)};
    s.collections[0].images.palettes[1].colours = {0, 0x0000FF};
    s.collections[0].images.palettes[2].colours = {0, 0x00FF00};
    std::vector<sw::Record> records(5, sw::Record::Empty());
    records.push_back(sw::Record::Image(sw::Zar::Solid(0, 0, 1, 1, 1)));
    records.insert(records.end(), {sw::Record::Empty(), sw::Record::Empty(), sw::Record::End()});
    s.collections[0].images.records = records;
    Parsed parsed(s);
    const Collection& anim = parsed.Load(0);
    for (std::int64_t place = 0; place < 8; ++place) {
      EXPECT_EQ(anim.Images().SubImage(place) != nullptr, place == 5) << place;
    }
    RgbCanvas canvas(1, 1);
    anim.DrawFrame(1, 0, canvas, {0, 0}, -1);
    EXPECT_EQ(canvas.GetPixel(0, 0), packed ? 0x00FF00u : 0x0000FFu);
  }
}

TEST(RecordsPastTheCount, AreReadAndCountedButNotKept) {
  sw::Sprite s;
  s.collections = {EmptyCollection(1, 1)};
  std::vector<sw::Record> records(4, sw::Record::Image(sw::Zar::Solid(0, 0, 1, 1, 1)));
  records.insert(records.end(), 3, sw::Record::Image(Column(100000)));
  records.push_back(sw::Record::End());
  s.collections[0].images.records = records;
  const auto [message, allocated] = LoadError<SpriteFormatError>(s);
  EXPECT_EQ(message, "wrong number of subimages: 7");
  EXPECT_LT(allocated, 200000u);  // the three records past the count hold 600,000 bytes

  // They are still read as records: their faults are found, and one cut short is not counted.
  sw::Zar bad = Column(1);
  bad.tag = sw::Bytes{'<', 'z', 'a', 'r', '>', 0, '7', 0};
  s.collections[0].images.records->back() = sw::Record::Image(bad);
  EXPECT_EQ(ParseError<SpriteFormatError>(s).substr(0, 20), "unknown zar subtype=");
  sw::Zar cut = Column(1);
  cut.data_size = 1000;
  s.collections[0].images.records->back() = sw::Record::Image(cut);
  EXPECT_EQ(ParseError<SpriteFormatError>(s), "wrong number of subimages: 7");
}

TEST(ImageDataLimit, ARecordHeaderAnnouncingTooMuchFailsBeforeItsData) {
  // The run data starts after the palettes (16 bytes), an empty place (1) and the record's
  // marker and header (30): at 47. Data that would end exactly at the limit is allowed (and then
  // found missing).
  for (const bool packed : {false, true}) {
    SCOPED_TRACE(packed);
    const auto with_data_size = [&](std::int32_t size) {
      sw::Sprite s;
      s.collections = {EmptyCollection(1, 1, packed)};
      sw::Zar zar = Column(1);
      zar.data_size = size;
      s.collections[0].images.records = {sw::Record::Empty(), sw::Record::Image(zar)};
      return s;
    };
    EXPECT_EQ(ParseError<SpriteFormatError>(with_data_size((1 << 30) - 47)),
              "wrong number of subimages: 1");
    EXPECT_EQ(ParseError<Error>(with_data_size((1 << 30) - 46)), Limit(1073741825));
    EXPECT_EQ(ParseError<Error>(with_data_size(INT32_MAX)), Limit(47 + std::int64_t{INT32_MAX}));
  }
}

TEST(ImageDataLimit, EndsAPackedStreamOfEmptyPlacesAtOneGibibyte) {
  // 6.8 MB of packed data that inflates to 1 GiB and more: the place marker that takes the data
  // past 1073741824 bytes ends it.
  const auto [message, allocated] =
      LoadError<Error>(PackedAsGiven(PackedZeros((std::uint64_t{1} << 30) + 100)));
  EXPECT_EQ(message, Limit(1073741825));
  EXPECT_LT(allocated, kSmallMemory);
}

TEST(WholeRecordRead, ARecordCrossingTheStatedSizeArrivesWhole) {
  // Three empty places, then an image of 300,000 rows (600,000 bytes of runs) whose data starts
  // 10 bytes before the stated end of the packed data: it is one read, not cut to that size.
  sw::Sprite s;
  s.collections = {EmptyCollection(1, 1, true)};
  s.collections[0].images.palettes[3].colours = {0, 1, 2, 3, 4, 5, 6, 7};
  s.collections[0].images.records = {sw::Record::Empty(), sw::Record::Empty(), sw::Record::Empty(),
                                     sw::Record::Image(Column(300000))};
  const std::int32_t data_start = 16 + 8 * 4 + 3 + 30;  // palettes, empty places, header
  s.collections[0].images.unpacked_size = data_start + 10;
  Parsed parsed(s);
  const Collection& anim = parsed.Load(0);
  RgbCanvas canvas(1, 300001);
  anim.DrawFrame(0, 0, canvas, {0, 0}, -1);
  EXPECT_EQ(canvas.GetPixel(0, 0), 1u);
  EXPECT_EQ(canvas.GetPixel(0, 299999), 1u + 299999 % 7);
  EXPECT_EQ(canvas.GetPixel(0, 300000), 0u);

  // A read that starts at or past the stated size still delivers nothing: here the record's Top.
  s.collections[0].images.unpacked_size = 16 + 8 * 4 + 3 + 1 + 4;
  EXPECT_EQ(ParseError<SpriteFormatError>(s), "wrong number of subimages: 3");
}

TEST(Drawing, StopsAtTheFirstRowBelowTheCanvas) {
  // A 1 x 1 canvas and an image of two million rows, drawn by 4096 frames: only one row can
  // land, and drawing each frame stops after it (walking every row would take long).
  sw::Sprite s;
  s.collections = {EmptyCollection(1, 1, true)};
  s.collections[0].images.palettes[0].colours = {0, 0x0A0B0C, 0x0D0E0F};
  s.collections[0].SetSubImage(0, 0, 0, Column(1 << 21));
  Parsed parsed(s);
  const Collection& anim = parsed.Load(0);
  RgbCanvas canvas(1, 1);
  for (int frame = 0; frame < 4096; ++frame) {
    anim.DrawFrame(0, 0, canvas, {0, -(frame % 2)}, -1);
    // Even frames draw row 0 of the image there, odd ones row 1.
    ASSERT_EQ(canvas.GetPixel(0, 0), frame % 2 == 0 ? 0x0A0B0Cu : 0x0D0E0Fu);
  }
}

TEST(Collections, HoldNoPalettesBeforeTheirImagesAreLoaded) {
  // 2000 empty collections and 4000 sequences, a third of them naming no collection: about a
  // hundred bytes each once parsed.
  sw::Sprite s;
  s.collections.assign(2000, EmptyCollection(0, 0));
  s.sequences.resize(4000);
  for (std::size_t j = 0; j < s.sequences.size(); ++j) {
    s.sequences[j].collection_index = static_cast<std::uint16_t>(j * 7 % 3000);
  }
  const sw::Bytes bytes = sw::WriteSprite(s);
  std::unique_ptr<Parsed> parsed;
  {
    AllocationProbe probe;
    parsed = std::make_unique<Parsed>(bytes);
    EXPECT_LT(probe.Total(), bytes.size() + 6000 * 128);
  }
  // The sequences of each collection, in file order; none names collection 2000 or later.
  std::int32_t grouped = 0;
  for (std::int32_t i = 0; i < 2000; ++i) {
    std::int32_t previous = -1;
    for (const std::int32_t j : parsed->sprite.SequencesOf(i)) {
      EXPECT_EQ(parsed->sprite.GetSequence(j)->CollectionIndex(), i);
      EXPECT_GT(j, previous);
      previous = j;
      ++grouped;
    }
    parsed->Load(i).SetImages(ImageSet{});
  }
  EXPECT_EQ(grouped, 2714);  // j * 7 % 3000 < 2000 for 2714 of the 4000
  EXPECT_TRUE(parsed->sprite.SequencesOf(2000).empty());
  EXPECT_TRUE(parsed->sprite.SequencesOf(-1).empty());
}

}  // namespace
}  // namespace morvane::testing
