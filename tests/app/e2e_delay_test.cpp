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

// Milliseconds round to hundredths of at least one (0 would be no delay at all); the default
// 100, 0 and values past the 16-bit field write none, as do -1 and the most negative value as
// read from the option.
TEST(FrameDelay, MillisecondsRoundToHundredthsOrNone) {
  const std::pair<std::uint32_t, int> cases[] = {
      {50, 5},   {1, 1},      {14, 1},          {15, 2},         {99, 10},
      {101, 10}, {104, 10},   {105, 11},        {655350, 65535}, {100, 0},
      {0, 0},    {655351, 0}, {0xFFFFFFFFu, 0}, {0x80000000u, 0}};
  for (const auto& [milliseconds, hundredths] : cases)
    EXPECT_EQ(FrameDelayHundredths(milliseconds), hundredths) << milliseconds;
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

const Bytes kLoop = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                     'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};

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

// Without transparency each frame gets a control extension of the delay alone, after the loop
// extension in the first frame (a single frame with a delay then needs GIF89a); with it the
// delay joins the frame's control extension, where only the two delay bytes change. The frames
// are the same as without the option.
TEST_F(AnimationSpeed, EveryFrameGetsTheDelayInAControlExtension) {
  struct Case {
    bool binary;
    std::string option;
    std::uint8_t hundredths;
  };
  for (const Case& c : {Case{false, "-a=50", 5}, Case{true, "-a=1234", 123}}) {
    SCOPED_TRACE(c.option + (c.binary ? " with -b" : ""));
    std::vector<std::string> options;
    if (c.binary) options.push_back("-b");
    const std::string plain = Convert(c.binary ? "keyed" : "plain", options);
    options.push_back(c.option);
    const std::string fast = Convert(c.binary ? "keyed_fast" : "fast", options);
    for (const char* name : {"walk.gif", "stand.gif"}) {
      SCOPED_TRACE(name);
      const Bytes plain_bytes = ReadFileBytes(plain + name), bytes = ReadFileBytes(fast + name);
      const testing::DecodedGif before = testing::DecodeGif(plain_bytes);
      const testing::DecodedGif decoded = testing::DecodeGif(bytes);
      ASSERT_EQ(decoded.frames.size(), before.frames.size());
      const int frames = static_cast<int>(decoded.frames.size());
      EXPECT_EQ(before.version, frames > 1 || c.binary ? "89a" : "87a");
      EXPECT_EQ(decoded.version, "89a");
      EXPECT_EQ(CountRuns(plain_bytes, {0x21, 0xF9}), c.binary ? frames : 0);
      EXPECT_EQ(CountRuns(bytes, {0x21, 0xF9}), frames);
      EXPECT_EQ(bytes.size(), plain_bytes.size() + (c.binary ? 0 : 8 * frames));
      for (int i = 0; i < frames; ++i) {
        const testing::DecodedFrame& frame = decoded.frames[i];
        EXPECT_TRUE(frame.has_gce);
        EXPECT_EQ(frame.delay, c.hundredths);
        EXPECT_EQ(before.frames[i].delay, 0);
        EXPECT_EQ(frame.transparent_index >= 0, c.binary);
        EXPECT_EQ(frame.transparent_index, before.frames[i].transparent_index);
        EXPECT_EQ(frame.disposal, c.binary ? 2 : 0);
        EXPECT_EQ(decoded.FramePixels(i), before.FramePixels(i));
      }
      // Every frame's extension alike: the transparency flag and index as without the option.
      const auto index =
          static_cast<std::uint8_t>(std::max(0, decoded.frames[0].transparent_index));
      const std::uint8_t flags = c.binary ? 0x09 : 0x00;  // transparency; disposal 2
      const Bytes extension = {0x21, 0xF9, 0x04, flags, c.hundredths, 0x00, index, 0x00};
      EXPECT_EQ(CountRuns(bytes, extension), frames);
      if (frames > 1) {
        Bytes loop_then_delay = kLoop;
        loop_then_delay.insert(loop_then_delay.end(), extension.begin(), extension.end());
        EXPECT_EQ(CountRuns(bytes, loop_then_delay), 1);
      }
    }
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
