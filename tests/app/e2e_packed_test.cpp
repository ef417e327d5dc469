// Packed image data is inflated whole when its block states a size that allows it, and piece by
// piece otherwise. Whole files converted both ways, sound and faulty, must give the same GIFs,
// console text and error-log records.
#include <map>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

// A stated size far past any block inflated whole: the data still ends at the end marker.
constexpr std::int32_t kStatedTooLargeForWhole = 0x7FFFFFFF;

// One packed collection of four noisy 40 x 40 frames, played by "walk"; its image data is
// stored (level 0) so that a changed data byte leaves the stream whole.
sprwriter::Sprite PackedSprite() {
  Anim anim("body", 4, 1);
  anim.packed = true;
  for (std::uint32_t i = 0; i < 256; ++i) anim.palettes[0].push_back((i * 2654435761u) & 0xFFFFFFu);
  std::uint32_t seed = 1;
  for (std::int32_t frame = 0; frame < 4; ++frame) {
    anim.SetBox(frame, 0, {0, 0, 40, 40});
    anim.SetLayer(frame, 0, 0, Picture::Paint(0, 0, 40, 40, [&](int, int) {
                    seed = seed * 1103515245u + 12345u;
                    return Pixel{static_cast<std::uint8_t>(1 + (seed >> 16) % 255), 255};
                  }));
  }
  TestSprite sprite(40, 40);
  sprite.anims.push_back(std::move(anim));
  sprite.AddSequence("walk", {0, 1, 2, 3}, 0);
  sprwriter::Sprite description = sprite.ToSprite();
  description.collections[0].images.compression_level = 0;
  return description;
}

class PackedWays : public ExecutableTest {
 protected:
  // What converting a file left: the console text, the error-log records it added and its GIFs.
  struct Outcome {
    std::string console;
    std::string log;
    std::map<std::string, std::string> gifs;
    bool operator==(const Outcome&) const = default;
  };

  // Converts bytes as body.spr in a directory of its own, named case_name.
  Outcome Convert(const std::string& case_name, const std::string& bytes) {
    Write(case_name + "/body.spr", bytes);
    const std::string log_before = ErrorLog();
    Outcome outcome;
    outcome.console = Run({"body.spr"}, case_name);
    outcome.log = MaskLogTimes(ErrorLog().substr(log_before.size()));
    for (const std::string& name : ListDirectory(Path(case_name + "/body"))) {
      outcome.gifs[name] = Read(case_name + "/body/" + name);
    }
    return outcome;
  }

  // Converts the sprite with the stream as its packed block, once stating the stream's true
  // unpacked size and once a size too large to inflate whole; expects the same outcome and
  // returns it. cut drops that many bytes from the end of the file.
  Outcome ConvertBothWays(const std::string& case_name, const sprwriter::Bytes& stream,
                          std::size_t cut = 0) {
    sprwriter::Sprite sprite = PackedSprite();
    sprwriter::ImageSet& images = sprite.collections[0].images;
    images.packed_data = stream;
    const auto file = [&](std::int32_t stated_size) {
      images.unpacked_size = stated_size;
      std::string bytes = Bytes(sprite);
      bytes.resize(bytes.size() - cut);
      return bytes;
    };
    const auto true_size =
        static_cast<std::int32_t>(sprwriter::ImageData(sprite.collections[0]).size());
    const Outcome whole = Convert(case_name + "_whole", file(true_size));
    const Outcome pieces = Convert(case_name + "_pieces", file(kStatedTooLargeForWhole));
    EXPECT_EQ(whole.console, pieces.console) << case_name;
    EXPECT_EQ(whole.log, pieces.log) << case_name;
    EXPECT_TRUE(whole.gifs == pieces.gifs) << case_name;
    return whole;
  }
};

TEST_F(PackedWays, SoundAndFaultyBlocksConvertAlikeBothWays) {
  const sprwriter::Sprite sprite = PackedSprite();
  const sprwriter::Bytes stream = sprwriter::Pack(sprwriter::ImageData(sprite.collections[0]), 0);

  const Outcome sound = ConvertBothWays("sound", stream);
  EXPECT_EQ(sound.console, kBanner + ParsedOk("body") + Summary(1));
  EXPECT_EQ(sound.gifs.size(), 1u);

  // The checksum is not checked, and bytes after the stream are not read.
  sprwriter::Bytes bad_checksum = stream;
  bad_checksum.back() ^= 0x01;
  EXPECT_EQ(ConvertBothWays("bad_checksum", bad_checksum), sound);
  sprwriter::Bytes followed = stream;
  followed.insert(followed.end(), 40, 0x3C);
  EXPECT_EQ(ConvertBothWays("followed", followed), sound);

  // A changed pixel byte inside the stored data: the same file's run data, one index other.
  sprwriter::Bytes altered = stream;
  altered[altered.size() - 200] ^= 0x01;
  const Outcome altered_outcome = ConvertBothWays("altered", altered);
  EXPECT_EQ(altered_outcome.console, sound.console);
  EXPECT_NE(altered_outcome.gifs, sound.gifs);

  // A stream cut by the end of the file, and one whose block header is broken, end the data
  // early; the file fails the same way both ways.
  const Outcome cut = ConvertBothWays("cut", stream, stream.size() / 2);
  EXPECT_NE(cut.console, sound.console);
  EXPECT_NE(cut.log, "");
  sprwriter::Bytes corrupt = stream;
  corrupt[2] ^= 0x06;  // the first block's type becomes the reserved one
  const Outcome corrupt_outcome = ConvertBothWays("corrupt", corrupt);
  EXPECT_NE(corrupt_outcome.console, sound.console);
  EXPECT_NE(corrupt_outcome.log, "");
}

}  // namespace
}  // namespace morvane::e2e
