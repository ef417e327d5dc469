// Damaged and hostile sprite files: every outcome is a clean parse or one of the stated
// errors, no read leaves its buffer, and no count from the file drives a large allocation.
#include <gtest/gtest.h>

#include <typeinfo>

#include "allocation_probe.h"
#include "sprite_test_util.h"

namespace morvane::testing {
namespace {

constexpr std::size_t kSmallMemory = 1 << 20;

// A small sprite with a plain and a packed collection, every run kind and empty places.
sw::Sprite SmallSprite() {
  sw::Sprite s;
  s.width = 12;
  s.height = 12;
  for (const bool packed : {false, true}) {
    sw::Collection c = EmptyCollection(2, 2, packed);
    for (auto& p : c.images.palettes) p.colours = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00808080};
    for (std::int32_t f = 0; f < 2; ++f) {
      for (std::int32_t d = 0; d < 2; ++d) {
        c.SetBox(f, d, {-4, -4, 4 + f, 4 + d});
        c.SetSubImage(f, d, 0,
                      sw::Zar::FromPixels(-2, -2, 3, 2,
                                          {{1, 255}, {0, 0}, {0, 99}, {2, 9}, {3, 255}, {1, 255}}));
        if (f == d) c.SetSubImage(f, d, 3, sw::Zar::Solid(0, 0, 2, 2, 2));
      }
    }
    s.collections.push_back(c);
  }
  s.sequences.resize(2);
  s.sequences[0].name = "a";
  s.sequences[0].frames = {0, 1, -43, 1, 1, 1};
  s.sequences[1].name = "b";
  s.sequences[1].frames = {1};
  s.sequences[1].collection_index = 1;
  return s;
}

// Parses, loads and draws everything the way the per-file job does. Returns "" for a clean
// run, else the error's kind and message.
std::string RunAll(const sw::Bytes& bytes) {
  try {
    Parsed parsed(bytes);
    for (std::int32_t i = 0; i < parsed.sprite.CollectionCount(); ++i) {
      Collection& anim = parsed.Load(i);
      RgbCanvas canvas(24, 24);
      for (std::int32_t f = 0; f < anim.FrameCount() && f < 64; ++f) {
        for (std::int32_t d = 0; d < anim.DirectionCount() && d < 64; ++d) {
          anim.DrawFrame(f, d, canvas, {12, 12}, -1);
          anim.DrawFrame(f, d, canvas, {12, 12}, 128);
        }
      }
      anim.SetImages(ImageSet{});
    }
    return "";
  } catch (const SpriteFormatError& e) {
    return "SpriteFormatError: " + e.Message();
  } catch (const IoError& e) {
    return "IoError: " + e.Message();
  } catch (const IndexError& e) {
    return "IndexError: " + e.Message();
  } catch (const Error& e) {
    if (typeid(e) != typeid(Error)) throw;
    return "Error: " + e.Message();  // a limit
  }
}

TEST(Truncation, EveryCutEndsCleanlyOrInAStatedError) {
  const sw::Bytes whole = sw::WriteSprite(SmallSprite());
  ASSERT_EQ(RunAll(whole), "");
  std::size_t clean = 0;
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    const std::string outcome = RunAll(sw::Bytes(whole.begin(), whole.begin() + cut));
    if (outcome.empty()) {
      ++clean;
    } else if (outcome != "IoError: Read beyond end of file") {
      ASSERT_EQ(outcome.rfind("SpriteFormatError: wrong number of subimages: ", 0), 0u)
          << "cut at " << cut << ": " << outcome;
    }
  }
  // Only cuts inside the packed stream's trailer (and after the last end marker) keep every
  // place.
  EXPECT_LT(clean, 8u);
}

TEST(Corruption, EveryDamagedByteEndsCleanlyOrInAnError) {
  const sw::Bytes whole = sw::WriteSprite(SmallSprite());
  AllocationProbe probe;
  for (std::size_t at = 0; at < whole.size(); ++at) {
    for (const std::uint8_t value : {0x00, 0x3C, 0x7F, 0x80, 0xFF}) {
      sw::Bytes bytes = whole;
      bytes[at] = value;
      RunAll(bytes);  // any outcome but a crash, a stray read or another exception kind
    }
  }
  EXPECT_GT(probe.Largest(), 0u);
  EXPECT_LT(probe.Largest(), kSmallMemory);
}

class HugeCounts : public ::testing::Test {
 protected:
  static constexpr std::int32_t kHuge = 2000000000;
  std::string Outcome(const std::function<void(sw::Sprite&)>& change) {
    sw::Sprite s = SmallSprite();
    change(s);
    const sw::Bytes bytes = sw::WriteSprite(s);
    AllocationProbe probe;
    const std::string outcome = RunAll(bytes);
    EXPECT_LT(probe.Largest(), kSmallMemory) << outcome;
    return outcome;
  }
};

TEST_F(HugeCounts, InTheContainerFailAsTheEndOfTheFile) {
  const std::string end = "IoError: Read beyond end of file";
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.sequence_count_field = kHuge; }), end);
  // The image-set blocks follow the headers: the third header is not one.
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.collection_count_field = kHuge; }).substr(0, 44),
            "SpriteFormatError: <spranim> tag not found. ");
  EXPECT_EQ(Outcome([](sw::Sprite& s) {
              s.collection_count_field = kHuge;
              s.collections.clear();
            }),
            end);
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.sequences[1].frame_count_field = kHuge; }), end);
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.sequences[0].name_length = kHuge; }), end);
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.collections[0].name_length = kHuge; }), end);
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.collections[1].frame_count_field = kHuge; }), end);
  EXPECT_EQ(Outcome([](sw::Sprite& s) {
              s.collections[0].frame_count_field = INT32_MAX;
              s.collections[0].direction_count_field = INT32_MAX;
            }),
            end);
}

TEST_F(HugeCounts, InTheImageDataEndTheData) {
  for (const std::size_t i : {0u, 1u}) {
    SCOPED_TRACE(i);
    // A run-data size within the limit costs only the bytes that are there; one past it fails
    // before any is read. The size follows the palettes, two markers and the record header.
    const auto huge_data = [&](std::int32_t size) {
      return Outcome([&](sw::Sprite& s) {
        sw::Zar z = sw::Zar::Solid(0, 0, 1, 1, 1);
        z.data_size = size;
        s.collections[i].images.records = {sw::Record::Empty(), sw::Record::Image(z)};
      });
    };
    EXPECT_EQ(huge_data(1 << 29), "SpriteFormatError: wrong number of subimages: 1");
    EXPECT_EQ(huge_data(kHuge),
              "Error: Image data of 2000000111 bytes passes the limit of "
              "1073741824 bytes per collection");
    EXPECT_EQ(Outcome([&](sw::Sprite& s) { s.collections[i].images.palettes[3].count = kHuge; }),
              "SpriteFormatError: too many palette entries. " + Pos(3 * (4 + 4 * 4) + 4));
  }
  // A packed set's promised size is only a promise.
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.collections[1].images.unpacked_size = kHuge; }), "");
}

TEST_F(HugeCounts, NegativeCounts) {
  EXPECT_EQ(Outcome([](sw::Sprite& s) { s.sequence_count_field = -kHuge; }),
            "IndexError: List capacity out of bounds (-2000000000)");
  EXPECT_EQ(
      Outcome([](sw::Sprite& s) { s.collections[1].direction_count_field = -1; }).substr(0, 56),
      "SpriteFormatError: bad direction count value. Filepos=00");
}

}  // namespace
}  // namespace morvane::testing
