#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <random>
#include <utility>

#include "sprite_test_util.h"

namespace morvane::testing {
namespace {

// Draws run data whose rows are width pixels wide, the first run at origin.
template <DrawingCanvas Canvas>
void Draw(std::span<const std::uint8_t> runs, std::int32_t width, Canvas& canvas,
          CanvasPoint origin, std::int32_t threshold, const LayerPalette& palette) {
  DrawRuns(runs, width, canvas, origin.x, origin.y, threshold, palette);
}
template <DrawingCanvas Canvas>
void Draw(const sw::Bytes& runs, std::int32_t width, Canvas& canvas, CanvasPoint origin,
          std::int32_t threshold, const LayerPalette& palette) {
  Draw(std::span<const std::uint8_t>(runs), width, canvas, origin, threshold, palette);
}

// Alphas 0..255 on one row: as an alpha-only run (palette entry 0) and as index and alpha
// pairs, entry 0 where alpha % 3 == 0, else entry 1 + alpha % 5.
struct AlphaSweep {
  sw::Bytes alpha_only, pairs;

  AlphaSweep() {
    for (int alpha = 0; alpha < 256;) {
      const int n = std::min(63, 256 - alpha);
      alpha_only.push_back(static_cast<std::uint8_t>(n << 2 | 3));
      pairs.push_back(static_cast<std::uint8_t>(n << 2 | 2));
      for (int i = 0; i < n; ++i, ++alpha) {
        alpha_only.push_back(static_cast<std::uint8_t>(alpha));
        pairs.push_back(static_cast<std::uint8_t>(alpha % 3 == 0 ? 0 : 1 + alpha % 5));
        pairs.push_back(static_cast<std::uint8_t>(alpha));
      }
    }
  }
  const sw::Bytes& Runs(bool indexed) const { return indexed ? pairs : alpha_only; }
  static std::size_t EntryOf(std::uint32_t alpha, bool indexed) {
    return indexed && alpha % 3 != 0 ? 1 + alpha % 5 : 0;
  }
};

// Six palette entries from colour on, no two alike.
LayerPalette SweepPalette(ColorValue colour) {
  LayerPalette palette{};
  for (std::size_t i = 0; i < 6; ++i) palette[i] = (colour + 0x0B1D29u * i) & 0xFFFFFF;
  return palette;
}

// Run data followed by a page that cannot be read, so that decoding that reads past the data
// it needs faults.
class GuardedRuns {
 public:
  explicit GuardedRuns(const sw::Bytes& readable) {
#ifdef _WIN32
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const auto page = static_cast<std::size_t>(system.dwPageSize);
#else
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
    const std::size_t head = (readable.size() + page - 1) / page * page;
    size_ = head + page;
#ifdef _WIN32
    block_ = VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block_ == nullptr) throw std::runtime_error("VirtualAlloc failed");
#else
    block_ = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block_ == MAP_FAILED) throw std::runtime_error("mmap failed");
#endif
    auto* const base = static_cast<std::uint8_t*>(block_);
    std::uint8_t* const start = base + head - readable.size();
    std::copy(readable.begin(), readable.end(), start);
#ifdef _WIN32
    DWORD old_protection = 0;
    if (!VirtualProtect(base + head, page, PAGE_NOACCESS, &old_protection))
      throw std::runtime_error("VirtualProtect failed");
#else
    if (mprotect(base + head, page, PROT_NONE) != 0) throw std::runtime_error("mprotect failed");
#endif
    runs_ = {start, readable.size() + page};
  }
#ifdef _WIN32
  ~GuardedRuns() {
    VirtualFree(block_, 0, MEM_RELEASE);
  }
#else
  ~GuardedRuns() {
    munmap(block_, size_);
  }
#endif
  GuardedRuns(const GuardedRuns&) = delete;
  GuardedRuns& operator=(const GuardedRuns&) = delete;

  // The readable data and the page after it, as if the image went on.
  std::span<const std::uint8_t> Runs() const {
    return runs_;
  }

 private:
  void* block_;
  std::size_t size_;
  std::span<const std::uint8_t> runs_;
};

// Entry i is the colour 0x300000 + i, with junk in the top byte that drawing must drop.
LayerPalette TestPalette() {
  LayerPalette p{};
  for (std::size_t i = 0; i < p.size(); ++i)
    p[i] = 0xAB000000u | 0x00300000u | static_cast<ColorValue>(i);
  return p;
}

constexpr ColorValue kBack = 0x00102030;

RgbCanvas Canvas(std::int32_t w = 8, std::int32_t h = 4) {
  RgbCanvas canvas(w, h);
  canvas.FillRect(0, 0, w, h, kBack);
  return canvas;
}

// The canvas as text: '.' for background, otherwise the low byte of the colour in hex.
std::string Picture(const RgbCanvas& canvas) {
  std::string out;
  char cell[4];
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      const ColorValue c = canvas.GetPixel(x, y);
      if (c == kBack) {
        out += " .";
      } else {
        std::snprintf(cell, sizeof cell, "%02X", c & 0xFF);
        out += cell;
      }
    }
    out += '\n';
  }
  return out;
}

TEST(ZarRuns, RunKinds) {
  const LayerPalette palette = TestPalette();
  {
    // Kind 1, one pixel: palette[7] opaque at the image's origin, top byte dropped.
    RgbCanvas canvas = Canvas();
    Draw({0x05, 7}, 4, canvas, {1 + 2, 1 + 1}, -1, palette);
    EXPECT_EQ(canvas.GetPixel(3, 2), 0x00300007u);
    EXPECT_EQ(Picture(canvas),
              " . . . . . . . .\n . . . . . . . .\n . . .07 . . . .\n . . . . . . . .\n");
  }
  {
    // A kind-2 run of 0 pixels takes no bytes; transparent runs move on without drawing;
    // kind 2 takes (index, alpha) pairs; kind 3 draws palette[0] with its alpha bytes.
    RgbCanvas canvas = Canvas();
    Draw({0x02, 0x08, 0x0A, 9, 255, 10, 255, 0x07, 255}, 8, canvas, {0, 0}, -1, palette);
    EXPECT_EQ(Picture(canvas),
              " . .090A00 . . .\n . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n");
  }
}

TEST(ZarRuns, RunsDoNotWrapAndTheNextRunStartsANewRow) {
  // Width 4: runs of 3 and 3 pixels cover columns 0-2 and 3-5 of row 0; the next run starts
  // at row 1, column 0. A row is left at most once per run.
  RgbCanvas canvas = Canvas();
  Draw({0x0D, 1, 2, 3, 0x0D, 4, 5, 6, 0x05, 7, 0xFC, 0x05, 8}, 4, canvas, {0, 0}, -1,
       TestPalette());
  EXPECT_EQ(Picture(canvas),
            "010203040506 . .\n07 . . . . . . .\n08 . . . . . . .\n . . . . . . . .\n");
}

TEST(ZarRuns, WidthZeroGivesEveryRunItsOwnRow) {
  RgbCanvas canvas = Canvas();
  Draw({0x09, 1, 2, 0x05, 3}, 0, canvas, {0, 0}, -1, TestPalette());
  EXPECT_EQ(Picture(canvas),
            "0102 . . . . . .\n03 . . . . . . .\n . . . . . . . .\n . . . . . . . .\n");
}

TEST(ZarRuns, ARunCutByTheEndOfTheDataIsNotDrawnAndEndsDecoding) {
  RgbCanvas canvas = Canvas();
  Draw({0x05, 1, 0x0A, 2, 200, 3}, 8, canvas, {0, 0}, -1, TestPalette());
  EXPECT_EQ(Picture(canvas),
            "01 . . . . . . .\n . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n");
  RgbCanvas other = Canvas();
  Draw({0xFD}, 8, other, {0, 0}, -1, TestPalette());
  EXPECT_EQ(Picture(other), Picture(Canvas()));
}

TEST(ZarRuns, DecodingStopsAtTheFirstRowBelowTheCanvas) {
  // Rows of width 3: a run of two pixels and one of one. Two rows fit the canvas; the image
  // goes on over a page that cannot be read.
  const GuardedRuns two_rows({0x09, 1, 2, 0x05, 3, 0x01, 0x09, 4, 5, 0x04});
  RgbCanvas canvas = Canvas(4, 3);
  Draw(two_rows.Runs(), 3, canvas, {1, 1}, -1, TestPalette());
  EXPECT_EQ(Picture(canvas), " . . . .\n .010203\n .0405 .\n");
  // Width 0 gives every run a row of its own.
  const GuardedRuns three_runs({0x05, 6, 0x00, 0x05, 7});
  Draw(three_runs.Runs(), 0, canvas, {0, 0}, -1, TestPalette());
  EXPECT_EQ(Picture(canvas), "06 . . .\n .010203\n070405 .\n");
  // An image that starts below the canvas reads nothing.
  const GuardedRuns none({});
  Draw(none.Runs(), 3, canvas, {0, 3}, -1, TestPalette());
  Draw(none.Runs(), 3, canvas, {0, INT32_MAX}, -1, TestPalette());
}

TEST(ZarRuns, PixelsOutsideTheCanvasAreDropped) {
  RgbCanvas canvas = Canvas(2, 2);
  Draw({0x0D, 1, 2, 3, 0x0E, 4, 128, 5, 128, 6, 128, 0x0F, 9, 9, 9}, 3, canvas, {-1, -1}, -1,
       TestPalette());
  EXPECT_EQ(canvas.GetPixel(0, 0) & 0xFF, (128u * 5 + 127u * 0x30) / 255);
  DrawRuns(sw::Bytes{0x0D, 1, 2, 3}, 3, canvas, std::int64_t{INT32_MAX} + 5,
           std::int64_t{INT32_MIN} - 5, -1, TestPalette());
}

TEST(ZarRuns, AlphaBlendingAndBinaryThreshold) {
  LayerPalette palette{};
  palette[0] = 0x0000FF00;
  palette[1] = 0x00F050C8;  // red 200, green 80, blue 240
  RgbCanvas canvas(1, 1);
  canvas.FillRect(0, 0, 1, 1, 0x00204064);  // red 100, green 64, blue 32
  Draw({0x06, 1, 128}, 8, canvas, {0, 0}, -1, palette);
  // Each channel (127 * under + 128 * colour) / 255, remainder dropped: red 150.
  EXPECT_EQ(canvas.GetPixel(0, 0),
            (((127u * 32 + 128 * 240) / 255) << 16) | (((127u * 64 + 128 * 80) / 255) << 8) | 150u);

  // Alphas 128, 127, 1, 0 and 255 (alpha-only run: palette[0]).
  const sw::Bytes alphas = {0x17, 128, 127, 1, 0, 255};
  auto drawn = [&](std::int32_t threshold) {
    RgbCanvas c = Canvas(5, 1);
    Draw(alphas, 8, c, {0, 0}, threshold, palette);
    std::string marks;
    for (int x = 0; x < 5; ++x) marks += c.GetPixel(x, 0) == 0x0000FF00 ? 'X' : '.';
    return marks;
  };
  EXPECT_EQ(drawn(128), "X...X");
  EXPECT_EQ(drawn(0), "XXX.X");
  EXPECT_EQ(drawn(255), "....X");
  EXPECT_EQ(drawn(-7), "XXX.X");
  // Blending: only alpha 255 gives the colour itself, alpha 0 leaves the background.
  RgbCanvas blended = Canvas(5, 1);
  Draw(alphas, 8, blended, {0, 0}, -1, palette);
  EXPECT_EQ(blended.GetPixel(3, 0), kBack);
  EXPECT_EQ(blended.GetPixel(4, 0), 0x0000FF00u);
  EXPECT_EQ(blended.GetPixel(2, 0),
            (0x10u * 254 / 255) << 16 | ((0x20u * 254 + 255) / 255) << 8 | 0x30u * 254 / 255);
}

TEST(ZarRuns, BlendingTruncatesExactlyForEveryAlpha) {
  // Alphas 0..255 in alpha-only runs and in runs of index and alpha pairs, over extreme and
  // mixed colour pairs: each channel is ((255 - alpha) * under + alpha * colour) / 255 with the
  // remainder dropped (alpha 0 leaves the pixel, 255 gives the colour).
  const AlphaSweep sweep;
  const std::pair<ColorValue, ColorValue> colours[] = {
      {0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000}, {0x123456, 0xFEDCBA}, {0xFF00FF, 0x01FE80}};
  for (const auto& [under, colour] : colours) {
    const LayerPalette palette = SweepPalette(colour);
    for (const bool indexed : {false, true}) {
      RgbCanvas canvas(256, 1);
      canvas.FillRect(0, 0, 256, 1, under);
      Draw(sweep.Runs(indexed), 256, canvas, {0, 0}, -1, palette);
      // The same over an opaque pixel of a canvas that keeps alpha.
      RgbaCanvas opaque(256, 1);
      opaque.FillRect(0, 0, 256, 1, under | 0xFF000000u);
      Draw(sweep.Runs(indexed), 256, opaque, {0, 0}, kBlendByAlpha, palette);
      for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
        const ColorValue over = palette[AlphaSweep::EntryOf(alpha, indexed)];
        ColorValue expected = 0;
        for (int shift = 0; shift < 24; shift += 8)
          expected |=
              ((255 - alpha) * (under >> shift & 0xFF) + alpha * (over >> shift & 0xFF)) / 255
              << shift;
        ASSERT_EQ(canvas.GetPixel(alpha, 0), expected) << "alpha " << alpha << " " << indexed;
        ASSERT_EQ(opaque.GetPixel(alpha, 0), expected | 0xFF000000u) << "alpha " << alpha;
      }
    }
  }
}

// A canvas that keeps alpha starts transparent; each pixel is composited over what the layers
// before it left, with straight alpha.
TEST(ZarRuns, CompositingWithStraightAlpha) {
  // Over a transparent pixel, colour c at alpha a gives (c, a); alpha 0 draws nothing.
  const AlphaSweep sweep;
  const LayerPalette palette = SweepPalette(0x123456);
  for (const bool indexed : {false, true}) {
    RgbaCanvas canvas(257, 1);
    Draw(sweep.Runs(indexed), 256, canvas, {1, 0}, kBlendByAlpha, palette);
    EXPECT_EQ(canvas.GetPixel(0, 0), 0u);
    for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
      const RgbaValue expected =
          alpha == 0 ? 0 : palette[AlphaSweep::EntryOf(alpha, indexed)] | alpha << 24;
      ASSERT_EQ(canvas.GetPixel(alpha + 1, 0), expected) << "alpha " << alpha << " " << indexed;
    }
  }
  // Two layers: red 200, blue 255 at alpha a1, then red 100, green 255 at alpha a2. A' =
  // T / 255 and C' = (c a2 255 + C A (255 - a2)) / T with T = a2 255 + A (255 - a2).
  LayerPalette first{}, second{};
  first[0] = 0xFF00C8;
  second[0] = 0x00FF64;
  const struct {
    std::uint8_t a1, a2;
    RgbaValue expected;
  } layers[] = {
      {128, 128, 0xBF54AA85}, {1, 1, 0x017F7F95},   {64, 200, 0xD510EE6A},
      {255, 1, 0xFFFE01C7},   {200, 0, 0xC8FF00C8}, {0, 77, 0x4D00FF64},
  };
  for (const auto& l : layers) {
    RgbaCanvas canvas(1, 1);
    Draw({0x07, l.a1}, 1, canvas, {0, 0}, kBlendByAlpha, first);
    Draw({0x07, l.a2}, 1, canvas, {0, 0}, kBlendByAlpha, second);
    EXPECT_EQ(canvas.GetPixel(0, 0), l.expected) << int{l.a1} << " " << int{l.a2};
  }
  // Drawn whole by a threshold, a pixel is opaque.
  RgbaCanvas threshold(2, 1);
  Draw({0x0A, 0, 100, 0, 99}, 2, threshold, {0, 0}, 100, SweepPalette(0x123456));
  EXPECT_EQ(threshold.GetPixel(0, 0), 0xFF123456u);
  EXPECT_EQ(threshold.GetPixel(1, 0), 0u);
}

TEST(ZarRuns, EncodedPixelsDrawBackExactly) {
  // The writer's run coding, all four kinds, decoded by the reader.
  std::mt19937 random(7);
  const std::int32_t w = 150, h = 9;
  std::vector<sw::Pixel> pixels(w * h);
  for (auto& p : pixels) {
    const int r = static_cast<int>(random() % 8);
    p.index = static_cast<std::uint8_t>(r < 2 ? 0 : random() % 256);
    p.alpha = r == 0 ? 0 : r < 4 ? 255 : static_cast<std::uint8_t>(1 + random() % 254);
  }
  const sw::Bytes data = sw::EncodeRuns(w, h, pixels);
  bool kinds[4] = {};
  // Walk the runs to see every kind in use.
  for (std::size_t i = 0; i < data.size();) {
    const int kind = data[i] & 3, n = data[i] >> 2;
    kinds[kind] = true;
    i += 1 + (kind == 0 ? 0 : kind == 2 ? 2 * n : n);
  }
  EXPECT_TRUE(kinds[0] && kinds[1] && kinds[2] && kinds[3]);

  LayerPalette palette{};
  for (std::size_t i = 0; i < 256; ++i) palette[i] = static_cast<ColorValue>(i) << 8 | 0x40;
  RgbCanvas canvas(w, h + 1);
  Draw(data, w, canvas, {0, 0}, 1, palette);
  for (std::int32_t y = 0; y <= h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const sw::Pixel p = y < h ? pixels[y * w + x] : sw::Pixel{};
      const ColorValue expected = p.alpha == 0 ? 0 : palette[p.index];
      ASSERT_EQ(canvas.GetPixel(x, y), expected) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace morvane::testing
