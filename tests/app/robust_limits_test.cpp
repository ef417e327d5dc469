// Hostile sprites: each asks for more than any real sprite needs, fails with a message naming
// the limit it hit, and the run goes on with the next file.
#include <zlib.h>

#include <stdexcept>
#include <type_traits>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/limits.h"
#include "core/errors.h"

namespace morvane::e2e {
namespace {

// What a limit check says of its arguments: "" when they pass, else its error's message.
template <typename... Args>
std::string MessageOf(void (*check)(Args...), std::type_identity_t<Args>... args) {
  try {
    check(args...);
  } catch (const Error& e) {
    return e.Message();
  }
  return "";
}

TEST(Limits, EachLimitIsReachedExactlyPastItsValueAndNamedInItsMessage) {
  EXPECT_EQ(MessageOf(CheckCanvasSize, 65535, 1), "");
  EXPECT_EQ(MessageOf(CheckCanvasSize, 65536, 1), "Image too large for GIF");
  EXPECT_EQ(MessageOf(CheckCanvasSize, 1, 65536), "Image too large for GIF");
  EXPECT_EQ(MessageOf(CheckCanvasSize, 4096, 4096), "");
  EXPECT_EQ(MessageOf(CheckCanvasSize, 4097, 4096),
            "Canvas of 4097 x 4096 pixels passes the limit of 16777216 pixels per frame");
  EXPECT_EQ(MessageOf(CheckCanvasSize, -70000, 5), "");  // no pixels at all

  EXPECT_EQ(MessageOf(CheckAnimationSize, 4096, 1, 1), "");
  EXPECT_EQ(MessageOf(CheckAnimationSize, 4097, 1, 1),
            "4097 frames pass the limit of 4096 frames per GIF");
  EXPECT_EQ(MessageOf(CheckAnimationSize, 8, 4096, 4096), "");
  EXPECT_EQ(MessageOf(CheckAnimationSize, 9, 4096, 4096),
            "9 frames of 4096 x 4096 pixels pass the limit of 134217728 pixels per GIF");

  EXPECT_EQ(MessageOf(CheckDirectionWork, 1024, 16384), "");
  EXPECT_EQ(MessageOf(CheckDirectionWork, 1025, 0),
            "1025 directions pass the limit of 1024 directions per collection");
  EXPECT_EQ(MessageOf(CheckDirectionWork, 16, 1048577),
            "1048577 sequence entries in 16 directions pass the limit of 16777216 frame "
            "positions per sequence");
}

// The bytes of a sprite of one collection of frames x directions cells whose boxes are all box,
// played by one sequence.
std::string Shaped(std::int32_t frames, std::int32_t directions, Box box,
                   std::vector<std::int16_t> positions) {
  Anim anim("huge", frames, directions);
  anim.palettes[0] = {0x0000FF};
  for (std::int32_t f = 0; f < frames; ++f) {
    for (std::int32_t d = 0; d < directions; ++d) {
      anim.SetBox(f, d, box);
      anim.SetLayer(f, d, 0, Picture::Solid(0, 0, 1, 1, 0));
    }
  }
  TestSprite sprite(2, 2);
  sprite.anims.push_back(std::move(anim));
  sprite.AddSequence("s", std::move(positions), 0);
  return sprite.Bytes();
}

class HostileSprites : public ExecutableTest {};

TEST_F(HostileSprites, PassingALimitEndsOnlyThatFile) {
  // A canvas of 3.6 gigapixels whose sides would each fit a GIF.
  Write("canvas.spr", Shaped(1, 1, {0, 0, 60000, 60000}, {0}));
  // Twenty thousand directions, none with a frame: no box to store, a GIF each.
  Write("directions.spr", Shaped(0, 20000, {}, {}));
  // 1.1 million entries walked in 16 directions.
  Write("entries.spr", Shaped(1, 16, {0, 0, 1, 1}, std::vector<std::int16_t>(1100000, 0)));
  // Five thousand frames of one pixel.
  Write("frames.spr", Shaped(1, 1, {0, 0, 1, 1}, std::vector<std::int16_t>(5000, 0)));
  Write("good.spr", OneFrameSprite(4, 4).Bytes());

  const RunResult run =
      RunMeasured({"canvas.spr", "directions.spr", "entries.spr", "frames.spr", "good.spr"});
  EXPECT_EQ(run.output,
            kBanner + ParsedOne("canvas", "s") +
                "\tError: Canvas of 60000 x 60000 pixels passes the limit of 16777216 pixels "
                "per frame\n" +
                ParsedOne("directions", "s") +
                "\tError: 20000 directions pass the limit of 1024 directions per collection\n" +
                ParsedOne("entries", "s") +
                "\tError: 1100000 sequence entries in 16 directions pass the limit of 16777216 "
                "frame positions per sequence\n" +
                ParsedOne("frames", "s") +
                "\tError: 4097 frames pass the limit of 4096 frames per GIF\n" + ParsedOk("good") +
                Summary(1, 4, 4));
  const std::string log = ErrorLog();
  EXPECT_NE(log.find("Error: (internal) 4097 frames pass the limit of 4096 frames per GIF in "
                     "file frames\n"),
            std::string::npos)
      << log;
  for (const char* name : {"canvas", "directions", "entries", "frames"}) {
    EXPECT_EQ(ListDirectory(Path(name)), std::vector<std::string>{}) << name;
  }
  EXPECT_EQ(ListDirectory(Path("good")), std::vector<std::string>{"walk.gif"});
}

// A zlib stream of data followed by zeros zeros, packed as it goes so that the test never
// holds the unpacked bytes.
sprwriter::Bytes PackWithZeros(const sprwriter::Bytes& data, std::int64_t zeros) {
  z_stream stream{};
  if (deflateInit(&stream, 9) != Z_OK) throw std::runtime_error("deflateInit");
  sprwriter::Bytes packed;
  std::vector<std::uint8_t> out(1 << 16);
  const std::vector<std::uint8_t> nothing(1 << 20, 0);
  const auto pump = [&](const std::uint8_t* in, std::size_t size, int flush) {
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(size);
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, flush);
      packed.insert(packed.end(), out.data(), out.data() + (out.size() - stream.avail_out));
    } while (stream.avail_out == 0);
  };
  pump(data.data(), data.size(), Z_NO_FLUSH);
  for (std::int64_t left = zeros; left > 0; left -= static_cast<std::int64_t>(nothing.size())) {
    pump(nothing.data(), std::min<std::size_t>(nothing.size(), static_cast<std::size_t>(left)),
         Z_NO_FLUSH);
  }
  pump(nullptr, 0, Z_FINISH);
  deflateEnd(&stream);
  return packed;
}

// A packed collection of one cell whose one image claims nearly 2 GiB of run data: the zlib
// stream holds the palettes, the start of that image and then zeros zeros.
std::string Bomb(std::int32_t unpacked_size, std::int64_t zeros) {
  sprwriter::Sprite sprite = OneFrameSprite(2, 2).ToSprite();
  sprwriter::ImageSet& images = sprite.collections[0].images;
  images.packed = true;
  images.sub_images.begin()->second.data_size = 0x7FFFFFF0;
  images.sub_images.begin()->second.data.clear();
  sprwriter::Bytes data = sprwriter::ImageData(sprite.collections[0]);
  data.pop_back();  // the end marker: the image's data runs on into the zeros
  images.unpacked_size = unpacked_size;
  images.packed_data = PackWithZeros(data, zeros);
  return Bytes(sprite);
}

TEST_F(HostileSprites, ADecompressionBombIsReadOnlyAsFarAsItsDataReallyGoes) {
  // A stream that goes on far past what its block promises is read up to the promise.
  Write("beyond_promise.spr", Bomb(4096, std::int64_t{256} << 20));
  // A stream that promises 2 GiB and holds 96 MiB: memory grows with the bytes really
  // there, never with the promise or with DataSize.
  Write("short_of_promise.spr", Bomb(0x7FFFFFFF, std::int64_t{96} << 20));
  Write("good.spr", OneFrameSprite(4, 4).Bytes());
  ASSERT_LT(fs::file_size(Path("beyond_promise.spr")), 2u << 20);

  const RunResult run = RunMeasured({"beyond_promise.spr", "short_of_promise.spr", "good.spr"});
  // The image's DataSize takes the collection's image data past 1 GiB: it fails before any of
  // its data is read.
  const std::string limit =
      "Image data of 2147484702 bytes passes the limit of 1073741824 bytes per collection";
  const std::string limit_error =
      "\t1 sequence(s), 1 image collection(s)\n\tError: " + limit + "\n";
  EXPECT_EQ(run.output, kBanner + "Parsing 'beyond_promise'" + limit_error +
                            "Parsing 'short_of_promise'" + limit_error + ParsedOk("good") +
                            Summary(1, 2, 2));
  const std::string log = ErrorLog();
  for (const std::string file : {"beyond_promise", "short_of_promise"}) {
    EXPECT_NE(log.find("Error: (internal) " + limit + " in file " + file + "\n"), std::string::npos)
        << log;
  }
  // Far below the 2 GiB that trusting either size would take (sanitizer builds included).
  EXPECT_LT(run.peak_rss_kb, 1024 * 1024) << "peak resident set " << run.peak_rss_kb << " KiB";
}

}  // namespace
}  // namespace morvane::e2e
