// The animation speed: the time of one frame in milliseconds becomes every frame's delay, in the
// control extension the frame has for transparency or in one of its own; the default writes the
// same bytes as a run without the option.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/gif_output.h"
#include "support/giflib_reader.h"

namespace morvane::e2e {
namespace {

using testing::DecodeGifFile;
using testing::ReadFileBytes;
using Bytes = std::vector<std::uint8_t>;

TEST(FrameDelay, MillisecondsRoundToHundredthsOfAtLeastOne) {
  EXPECT_EQ(FrameDelayHundredths(50), 5);
  EXPECT_EQ(FrameDelayHundredths(1), 1);  // 0 hundredths would be no delay at all
  EXPECT_EQ(FrameDelayHundredths(14), 1);
  EXPECT_EQ(FrameDelayHundredths(15), 2);
  EXPECT_EQ(FrameDelayHundredths(99), 10);
  EXPECT_EQ(FrameDelayHundredths(101), 10);
  EXPECT_EQ(FrameDelayHundredths(104), 10);
  EXPECT_EQ(FrameDelayHundredths(105), 11);
  EXPECT_EQ(FrameDelayHundredths(655350), 65535);
}

TEST(FrameDelay, TheDefaultAndValuesOutOfRangeWriteNone) {
  EXPECT_EQ(FrameDelayHundredths(100), 0);
  EXPECT_EQ(FrameDelayHundredths(0), 0);
  EXPECT_EQ(FrameDelayHundredths(655351), 0);       // past the 16-bit field
  EXPECT_EQ(FrameDelayHundredths(0xFFFFFFFFu), 0);  // -1 as read from the option
  EXPECT_EQ(FrameDelayHundredths(0x80000000u), 0);  // the most negative value
}

// "walk" plays three frames, "stand" one; each frame is an opaque 4 x 4 block in a 6 x 6 box
// whose rim is left transparent, so binary transparency has background to key.
TestSprite SpeedSprite() {
  Anim anim("body", 3, 1);
  anim.palettes[0] = {Rgb(0, 0, 0), Rgb(200, 40, 40), Rgb(40, 200, 40), Rgb(40, 40, 200)};
  for (std::int32_t frame = 0; frame < 3; ++frame) {
    anim.SetBox(frame, 0, {0, 0, 6, 6});
    anim.SetLayer(frame, 0, 0, Picture::Paint(0, 0, 6, 6, [frame](int x, int y) {
                    const bool rim = x == 0 || y == 0 || x == 5 || y == 5;
                    return Pixel{static_cast<std::uint8_t>(1 + (x + y + frame) % 3),
                                 static_cast<std::uint8_t>(rim ? 0 : 255)};
                  }));
  }
  TestSprite sprite(6, 6);
  sprite.anims.push_back(std::move(anim));
  sprite.AddSequence("walk", {0, 1, 2}, 0);
  sprite.AddSequence("stand", {0}, 0);
  return sprite;
}

// How often the byte run needle stands in bytes.
int CountRuns(const Bytes& bytes, const Bytes& needle) {
  int count = 0;
  for (auto at = bytes.begin();
       (at = std::search(at, bytes.end(), needle.begin(), needle.end())) != bytes.end(); ++at) {
    ++count;
  }
  return count;
}

std::string Version(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(6, bytes.size()));
}

const Bytes kLoop = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                     'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
// A control extension of the delay alone: transparency off, no disposal, 50 ms.
const Bytes kPlainDelay = {0x21, 0xF9, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00};

class AnimationSpeed : public ExecutableTest {
 protected:
  void SetUp() override {
    ExecutableTest::SetUp();
    Write("hero.spr", SpeedSprite().Bytes());
  }
  // Converts hero.spr with the options into out/<name>/ and returns the GIF's path.
  std::string Convert(const std::string& name, std::vector<std::string> options) {
    fs::create_directories(Path("out/" + name));
    options.push_back("../../hero.spr");
    Run(options, "out/" + name);
    return Path("out/" + name + "/hero/");
  }
};

TEST_F(AnimationSpeed, WithoutTransparencyEachFrameGetsAControlExtensionOfItsOwn) {
  const std::string plain = Convert("plain", {});
  const std::string fast = Convert("fast", {"-a=50"});

  // The default: a single frame stays GIF87a, nothing but the loop extension is written.
  const Bytes plain_walk = ReadFileBytes(plain + "walk.gif");
  const Bytes plain_stand = ReadFileBytes(plain + "stand.gif");
  EXPECT_EQ(Version(plain_stand), "GIF87a");
  EXPECT_EQ(CountRuns(plain_walk, {0x21, 0xF9}), 0);

  // The delay follows the loop extension in the first frame, and stands alone in the others;
  // a single frame with a delay needs GIF89a.
  const Bytes walk = ReadFileBytes(fast + "walk.gif");
  const Bytes stand = ReadFileBytes(fast + "stand.gif");
  Bytes loop_then_delay = kLoop;
  loop_then_delay.insert(loop_then_delay.end(), kPlainDelay.begin(), kPlainDelay.end());
  EXPECT_EQ(CountRuns(walk, loop_then_delay), 1);
  EXPECT_EQ(CountRuns(walk, kPlainDelay), 3);
  EXPECT_EQ(walk.size(), plain_walk.size() + 3 * kPlainDelay.size());
  EXPECT_EQ(Version(stand), "GIF89a");
  EXPECT_EQ(CountRuns(stand, kPlainDelay), 1);
  EXPECT_EQ(stand.size(), plain_stand.size() + kPlainDelay.size());

  // Decoded, every frame waits 50 ms and no pixel became transparent: the frames are the
  // default run's frames.
  for (const char* gif : {"walk.gif", "stand.gif"}) {
    SCOPED_TRACE(gif);
    const testing::DecodedGif slow = DecodeGifFile(plain + gif);
    const testing::DecodedGif decoded = DecodeGifFile(fast + gif);
    ASSERT_EQ(decoded.frames.size(), slow.frames.size());
    for (std::size_t i = 0; i < decoded.frames.size(); ++i) {
      EXPECT_TRUE(decoded.frames[i].has_gce);
      EXPECT_EQ(decoded.frames[i].delay, 5);
      EXPECT_EQ(decoded.frames[i].transparent_index, -1);
      EXPECT_EQ(decoded.frames[i].disposal, 0);
      EXPECT_EQ(decoded.FramePixels(i), slow.FramePixels(i));
    }
  }
}

TEST_F(AnimationSpeed, WithTransparencyTheDelayJoinsTheFramesControlExtension) {
  const std::string keyed = Convert("keyed", {"-b"});
  const std::string fast = Convert("fast", {"-b", "-a=1234"});  // 123 hundredths: 7B 00

  for (const char* gif : {"walk.gif", "stand.gif"}) {
    SCOPED_TRACE(gif);
    const testing::DecodedGif plain = DecodeGifFile(keyed + gif);
    const testing::DecodedGif decoded = DecodeGifFile(fast + gif);
    ASSERT_EQ(decoded.frames.size(), plain.frames.size());
    for (std::size_t i = 0; i < decoded.frames.size(); ++i) {
      EXPECT_EQ(decoded.frames[i].delay, 123);
      EXPECT_EQ(plain.frames[i].delay, 0);
      // Transparency and disposal as without the option, in the one extension.
      EXPECT_NE(decoded.frames[i].transparent_index, -1);
      EXPECT_EQ(decoded.frames[i].transparent_index, plain.frames[i].transparent_index);
      EXPECT_EQ(decoded.frames[i].disposal, 2);
      EXPECT_EQ(decoded.FramePixels(i), plain.FramePixels(i));
      const auto index = static_cast<std::uint8_t>(decoded.frames[i].transparent_index);
      EXPECT_EQ(
          CountRuns(ReadFileBytes(fast + gif), {0x21, 0xF9, 0x04, 0x09, 0x7B, 0x00, index, 0x00}),
          static_cast<int>(decoded.frames.size()));
    }
    // Only the two delay bytes differ.
    EXPECT_EQ(ReadFileBytes(fast + gif).size(), ReadFileBytes(keyed + gif).size());
    EXPECT_EQ(CountRuns(ReadFileBytes(fast + gif), {0x21, 0xF9}),
              static_cast<int>(decoded.frames.size()));
  }
}

// 100, values out of range and text are no delay: the bytes of a run without the option, and
// no value stops the run.
TEST_F(AnimationSpeed, ValuesWithoutADelayWriteTheDefaultBytes) {
  const std::string plain = Convert("plain", {"-b=0"});
  int run = 0;
  for (const char* value : {"100", "$64", "0", "-50", "655351", "fast"}) {
    SCOPED_TRACE(value);
    const std::string name = "run" + std::to_string(++run);
    const std::string out = Convert(name, {std::string("-a=") + value});
    EXPECT_EQ(ReadFileBytes(out + "walk.gif"), ReadFileBytes(plain + "walk.gif"));
    EXPECT_EQ(ReadFileBytes(out + "stand.gif"), ReadFileBytes(plain + "stand.gif"));
    fs::remove_all(Path("out/" + name));
  }
}

TEST_F(AnimationSpeed, TheConfigurationFileSetsItLikeAnyOption) {
  Write("bin/morvane.cfg", "[defaults]\nanim_speed=$FA\n");  // 250 ms
  const testing::DecodedGif decoded = DecodeGifFile(Convert("cfg", {}) + "walk.gif");
  ASSERT_EQ(decoded.frames.size(), 3u);
  for (const testing::DecodedFrame& frame : decoded.frames) EXPECT_EQ(frame.delay, 25);
}

}  // namespace
}  // namespace morvane::e2e
