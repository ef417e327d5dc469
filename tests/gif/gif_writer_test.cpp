// The GIF writer: header, colour tables, extensions, frames, versions and saving to disk.
#include "gif/gif_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "encoder_support.h"
#include "gif/gif_image.h"
#include "support/giflib_reader.h"

namespace morvane::gif::encoder_test {
namespace {

std::vector<ColorValue> Colours(int count) {
  std::vector<ColorValue> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back(static_cast<ColorValue>(i) | static_cast<ColorValue>(255 - i) << 8 |
                      0x400000u);
  return colours;
}

GifFrame& AddFrame(GifImage& image, int width, int height, const Bytes& pixels = {}) {
  GifFrame frame(width, height);
  if (!pixels.empty()) frame.Pixels() = pixels;
  return image.FrameAt(image.AddFrame(std::move(frame)));
}

void SetGlobal(GifImage& image, int count, bool sorted = false) {
  const std::vector<ColorValue> colours = Colours(count);
  image.GlobalColorMap().SetColors(colours.data(), count);
  image.GlobalColorMap().SetSorted(sorted);
}

void SetLocal(GifFrame& frame, int count, bool sorted = false) {
  const std::vector<ColorValue> colours = Colours(count);
  frame.LocalColorMap().SetColors(colours.data(), count);
  frame.LocalColorMap().SetSorted(sorted);
}

GraphicControlExtension& AddControl(GifFrame& frame) {
  auto& control = frame.AddExtension(GraphicControlExtension());
  control.SetTransparencyOn(true);
  control.SetDisposalMethod(kDisposeToBackground);
  return control;
}

Bytes Save(const GifImage& image, FrameCompression compression = kLzw) {
  Bytes out;
  WriteGif(image, compression, out);
  return out;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

const Bytes kLoop = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                     'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
const Bytes kControl = {0x21, 0xF9, 0x04, 0x09, 0x00, 0x00, 0x00, 0x00};

TEST(GifWriter, ImageWithoutFramesWritesNothing) {
  GifImage image;
  SetGlobal(image, 2);
  Bytes out;
  try {
    WriteGif(image, kLzw, out);
    ADD_FAILURE() << "saved an image without frames";
  } catch (const GifError& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(RequiredVersion(image), GifVersion::kNone);
}

TEST(GifWriter, SmallFileByteForByte) {
  // Two colours, 2 x 2 pixels 0 1 / 1 0, looping, with transparency. Both coders give the codes
  // clear 4, 0, 1, 1 at three bits, then 0 and end 5 at four bits.
  for (const FrameCompression compression : {kLzw, kRunLength}) {
    GifImage image;
    const ColorValue colours[] = {0x0000FF, 0xFF0000};
    image.GlobalColorMap().SetColors(colours, 2);
    GifFrame& frame = AddFrame(image, 2, 2, {0, 1, 1, 0});
    frame.AddExtension(LoopExtension());
    AddControl(frame).SetTransparentIndex(1, image.GlobalColorMap());
    Bytes expected = {'G',  'I',  'F',  '8',  '9',  'a',  0x02, 0x00, 0x02, 0x00,
                      0x80, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF};
    expected.insert(expected.end(), kLoop.begin(), kLoop.end());
    expected.insert(expected.end(), {0x21, 0xF9, 0x04, 0x09, 0x00, 0x00, 0x01, 0x00});
    expected.insert(expected.end(), {0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00});
    expected.insert(expected.end(), {0x02, 0x03, 0x44, 0x02, 0x05, 0x00, 0x3B});
    const Bytes out = Save(image, compression);
    EXPECT_EQ(out, expected) << CompressionName(compression);

    const testing::DecodedGif gif = testing::DecodeGif(out);
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0].indices, (Bytes{0, 1, 1, 0}));
    EXPECT_EQ(gif.frames[0].transparent_index, 1);
    EXPECT_EQ(gif.frames[0].loop_count, 0);
  }
}

TEST(GifWriter, LogicalScreenPackedByteAndGlobalTablePadding) {
  const struct {
    int global;
    bool sorted;
    int local;  // colours in the frame's own table
    std::uint8_t packed;
    std::size_t table_bytes;
  } cases[] = {
      {2, false, 0, 0x80, 6},    {1, false, 0, 0x80, 6},  {129, false, 0, 0xF7, 768},
      {200, true, 0, 0xFF, 768}, {16, true, 0, 0xBB, 48}, {0, false, 16, 0x33, 0},
      {2, false, 16, 0xB0, 6},   {0, false, 0, 0x77, 0},
  };
  for (const auto& c : cases) {
    GifImage image;
    SetGlobal(image, c.global, c.sorted);
    GifFrame& frame = AddFrame(image, 1, 1);
    if (c.local > 0) SetLocal(frame, c.local);
    const Bytes out = Save(image);
    ASSERT_GE(out.size(), 13 + c.table_bytes);
    EXPECT_EQ(out[10], c.packed) << c.global << " global, " << c.local << " local";
    // The table holds the colours, then black up to a power of two; the frame follows.
    for (int i = 0; i < c.global; ++i) {
      EXPECT_EQ(out[13 + 3 * i], static_cast<std::uint8_t>(i));
      EXPECT_EQ(out[14 + 3 * i], static_cast<std::uint8_t>(255 - i));
      EXPECT_EQ(out[15 + 3 * i], 0x40);
    }
    for (std::size_t i = 13 + 3 * static_cast<std::size_t>(c.global); i < 13 + c.table_bytes; ++i)
      EXPECT_EQ(out[i], 0) << "padding byte " << i;
    EXPECT_EQ(out[13 + c.table_bytes], 0x2C);
    EXPECT_EQ(out.back(), 0x3B);
  }
}

// The bytes of one extension: an image of one frame without pixels writes the 13 bytes of its
// header, the frame's extensions and the trailer.
Bytes ExtensionBytes(const GifExtension& extension) {
  GifImage image;
  GifFrame frame;
  std::visit([&frame](const auto& block) { frame.AddExtension(block); }, extension);
  image.AddFrame(std::move(frame));
  const Bytes out = Save(image);
  return Slice(out, 13, out.size() - 14);
}

TEST(GifWriter, Extensions) {
  EXPECT_EQ(ExtensionBytes(LoopExtension()), kLoop);

  GraphicControlExtension control;
  EXPECT_EQ(ExtensionBytes(control), (Bytes{0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}));
  control.SetTransparencyOn(true);
  control.SetDisposalMethod(kDisposeToBackground);
  EXPECT_EQ(ExtensionBytes(control), kControl);
  control.SetDelayHundredths(0x1234);
  control.SetTransparentIndex(200, ColorMap());
  EXPECT_EQ(ExtensionBytes(control), (Bytes{0x21, 0xF9, 0x04, 0x09, 0x34, 0x12, 0xC8, 0x00}));
  control.SetTransparencyOn(false);
  EXPECT_EQ(ExtensionBytes(control), (Bytes{0x21, 0xF9, 0x04, 0x08, 0x34, 0x12, 0xC8, 0x00}));
}

TEST(GifWriter, VersionFollowsExtensionsAndSortedLocalTables) {
  GifImage plain;
  SetGlobal(plain, 2);
  AddFrame(plain, 2, 2);
  AddFrame(plain, 2, 2);
  EXPECT_EQ(Slice(Save(plain), 0, 6), (Bytes{'G', 'I', 'F', '8', '7', 'a'}));

  AddControl(plain.FrameAt(1));
  EXPECT_EQ(RequiredVersion(plain.FrameAt(0)), GifVersion::k87a);
  EXPECT_EQ(RequiredVersion(plain.FrameAt(1)), GifVersion::k89a);
  EXPECT_EQ(Slice(Save(plain), 0, 6), (Bytes{'G', 'I', 'F', '8', '9', 'a'}));

  GifImage sorted;
  SetLocal(AddFrame(sorted, 2, 2), 3, true);
  EXPECT_EQ(Slice(Save(sorted), 0, 6), (Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(GifWriter, AnimationLayout) {
  // The converter's layout: loop and control extensions on the first frame, a control extension
  // on the second, each frame's descriptor right after its extensions.
  GifImage image;
  SetGlobal(image, 2);
  GifFrame& first = AddFrame(image, 3, 2, {0, 1, 0, 1, 0, 1});
  first.AddExtension(LoopExtension());
  AddControl(first);
  AddControl(AddFrame(image, 3, 2, {1, 1, 1, 0, 0, 0}));
  const Bytes out = Save(image);
  const std::size_t frame1 = 13 + 6;
  EXPECT_EQ(Slice(out, frame1, 19), kLoop);
  EXPECT_EQ(Slice(out, frame1 + 19, 8), kControl);
  EXPECT_EQ(Slice(out, frame1 + 27, 10),
            (Bytes{0x2C, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00, 0x00}));
  const FrameData data = SplitBlocks(out, frame1 + 37);
  ASSERT_TRUE(data.terminated);
  const std::size_t frame2 = frame1 + 37 + data.size;
  EXPECT_EQ(Slice(out, frame2, 8), kControl);
  EXPECT_EQ(out[frame2 + 8], 0x2C);

  const testing::DecodedGif gif = testing::DecodeGif(out);
  EXPECT_EQ(gif.version, "89a");
  ASSERT_EQ(gif.frames.size(), 2u);
  EXPECT_TRUE(gif.frames[0].has_loop);
  EXPECT_EQ(gif.frames[1].disposal, 2);
  EXPECT_EQ(gif.frames[1].indices, (Bytes{1, 1, 1, 0, 0, 0}));
}

TEST(GifWriter, ImageDescriptorAndLocalTable) {
  GifImage image;
  SetGlobal(image, 2);
  SetLocal(AddFrame(image, 2, 1, {2, 1}), 3);
  SetLocal(AddFrame(image, 1, 1), 5, true);
  AddFrame(image, 1, 1);
  const Bytes out = Save(image);

  std::size_t at = 13 + 6;
  EXPECT_EQ(out[at + 9], 0x81);
  EXPECT_EQ(Slice(out, at + 10, 12), (Bytes{0, 255, 0x40, 1, 254, 0x40, 2, 253, 0x40, 0, 0, 0}));
  EXPECT_EQ(out[at + 22], 2);  // minimum code size for three colours
  at += 22 + SplitBlocks(out, at + 22).size;
  EXPECT_EQ(out[at + 9], 0xA2);
  at += 10 + 24;
  EXPECT_EQ(out[at], 3);
  at += SplitBlocks(out, at).size;
  EXPECT_EQ(out[at + 9], 0x00);  // no local table
}

TEST(GifWriter, FrameWithoutSizeWritesOnlyItsExtensions) {
  for (const auto& size : {std::pair{0, 3}, std::pair{3, 0}}) {
    GifImage image;
    SetGlobal(image, 2);
    AddControl(AddFrame(image, 1, 1));
    GifFrame& empty = AddFrame(image, size.first, size.second);
    const Bytes before = Save(image);
    AddControl(empty);
    Bytes expected(before.begin(), before.end() - 1);
    expected.insert(expected.end(), kControl.begin(), kControl.end());
    expected.push_back(0x3B);
    EXPECT_EQ(Save(image), expected);
  }
}

TEST(GifWriter, PixelsMustIndexTheFramesTable) {
  // Without a local table the code size covers the widest table in the file, and any index
  // below its power of two passes; with a local table the index must be below its count.
  GifImage image;
  SetGlobal(image, 3);
  AddFrame(image, 2, 1, {3, 0});
  GifFrame& wide = AddFrame(image, 1, 1);
  SetLocal(wide, 16);
  Bytes out = Save(image);
  EXPECT_EQ(out[13 + 12 + 10], 4);  // the 16-colour table of the other frame counts

  GifImage failing;
  SetGlobal(failing, 3);
  AddFrame(failing, 2, 1, {0, 4});
  GifImage failing_local;
  SetLocal(AddFrame(failing_local, 2, 1, {3, 0}), 3);
  for (const GifImage* img : {&failing, &failing_local}) {
    out.clear();
    try {
      WriteGif(*img, kLzw, out);
      ADD_FAILURE() << "saved a pixel beyond the table";
    } catch (const GifError& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
    // Everything before the frame data, and its minimum code size byte, has been written.
    ASSERT_GE(out.size(), 24u);
    EXPECT_EQ(Slice(out, 0, 6), (Bytes{'G', 'I', 'F', '8', '7', 'a'}));
    EXPECT_EQ(out.back(), 2);
  }
}

TEST(GifWriter, PixelBufferShorterThanTheFrameIsRefused) {
  GifImage image;
  SetGlobal(image, 2);
  AddFrame(image, 4, 4).Pixels().resize(15);
  Bytes out;
  EXPECT_THROW(WriteGif(image, kLzw, out), std::logic_error);
}

TEST(GifWriter, FramesDecodeBackWithEitherCompression) {
  for (const FrameCompression compression : {kLzw, kRunLength}) {
    GifImage image;
    SetGlobal(image, 200);
    const Bytes noise = Noise(120 * 80, 200, 3);
    const Bytes runs = RandomRuns(120 * 80, 200, 90, 4);
    GifFrame& first = AddFrame(image, 120, 80, noise);
    first.AddExtension(LoopExtension());
    AddControl(AddFrame(image, 120, 80, runs)).SetTransparentIndex(7, image.GlobalColorMap());
    GifFrame& local = AddFrame(image, 120, 80, Noise(120 * 80, 5, 6));
    SetLocal(local, 5);
    const testing::DecodedGif gif = testing::DecodeGif(Save(image, compression));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].indices, noise);
    EXPECT_EQ(gif.frames[1].indices, runs);
    EXPECT_EQ(gif.frames[1].transparent_index, 7);
    EXPECT_EQ(gif.frames[2].indices, local.Pixels());
    EXPECT_EQ(gif.frames[2].local_map.size(), 8u);
    const std::vector<ColorValue> colours = Colours(200);
    ASSERT_EQ(gif.global_map.size(), 256u);
    EXPECT_TRUE(std::equal(colours.begin(), colours.end(), gif.global_map.begin()));
  }
}

TEST(EncodeGifTest, AnIndexPastTheMapFails) {
  GifImage image;
  SetGlobal(image, 2);
  AddFrame(image, 2, 1, {0, 2});
  WorkerPool one_thread(1);
  EXPECT_THROW(EncodeGif(image, kLzw, one_thread), GifError);
}

}  // namespace
}  // namespace morvane::gif::encoder_test
