// The PNG frames, WebPs and sprite sheets the converter writes, decoded by independent readers
// and compared pixel for pixel with frames composited here with full alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "support/full_alpha_decoders.h"

namespace morvane::e2e {
namespace {

using testing::DecodePng;
using testing::ReadFileBytes;

constexpr int kFrames = 5;
constexpr int kDirections = 16;
constexpr int kDurationMs = 40;

// Frame f of direction d: direction 0 is one wide strip, so that no direction's frames fit one
// row of the sheet; direction 5 has no frame box (it shows the plain background frame) and
// direction 7 lacks frame 2. Every frame holds layers over each other with partial alphas.
Box FrameBox(int f, int d) {
  if (d == 5 || (d == 7 && f == 2)) return {};
  if (d == 0) return {-f, 0, 4000 - f, 2};
  return {f + d - 8, f % 2 - 1, f + d - 4, f % 2 + 2};
}

TestSprite LayeredSprite() {
  TestSprite sprite(3, 2);
  Anim anim("layers", kFrames, kDirections);
  anim.palettes[0] = {Rgb(200, 40, 40), Rgb(40, 200, 40), Rgb(255, 255, 255)};
  anim.palettes[1] = {Rgb(20, 20, 220)};
  anim.palettes[2] = {Rgb(250, 250, 0), Rgb(0, 0, 0)};
  anim.palettes[3] = {Rgb(90, 0, 90)};
  for (int d = 0; d < kDirections; ++d) {
    for (int f = 0; f < kFrames; ++f) {
      anim.SetBox(f, d, FrameBox(f, d));
      const std::uint8_t seed = static_cast<std::uint8_t>(f * 7 + d);
      anim.SetLayer(f, d, 0, Picture::Paint(0, 0, 4, 3, [seed](int x, int y) {
                      constexpr std::uint8_t kAlphas[] = {0, 100, 255, 180, 1};
                      return Pixel{static_cast<std::uint8_t>((x + seed) % 3),
                                   kAlphas[(x + 2 * y + seed) % 5]};
                    }));
      anim.SetLayer(f, d, 1, Picture::Solid(1, 0, 2, 3, 0, 128));
      anim.SetLayer(f, d, 2, Picture::Paint(2, 1, 3, 2, [](int x, int) {
                      return Pixel{static_cast<std::uint8_t>(x % 2), 255};
                    }));
      anim.SetLayer(f, d, 3, Picture::Solid(0, 2, 4, 1, 0, 60));
    }
  }
  // A collection without directions has no frames: its sequence writes no file, no sheet either.
  sprite.anims = {anim, Anim("none", 1, 0)};
  sprite.AddSequence("run", {0, 1, 2, 3, 4}, 0);
  sprite.AddSequence("hold", {3, 3}, 0);
  sprite.AddSequence("none", {0}, 1);
  return sprite;
}

// A direction's canvas and its frames as the outputs must show them, worked out here from the
// frame boxes.
struct Direction {
  std::string stem;
  std::int64_t left = 0, top = 0;
  int width = 1, height = 1;
  bool background = false;
  std::vector<Canvas> frames;
};

std::vector<Direction> ExpectedDirections(const TestSprite& sprite,
                                          const std::vector<std::int16_t>& sequence,
                                          const std::string& name, bool static_anims) {
  const Anim& anim = sprite.anims[0];
  std::vector<Direction> directions;
  for (int d = 0; d < kDirections; ++d) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "_%02X", d);
    Direction direction;
    direction.stem = name + suffix;
    std::vector<int> drawn;
    std::int64_t right = 0, bottom = 0;
    for (const std::int16_t f : sequence) {
      if (f < 0) continue;
      const Box box = anim.BoxOf(f, d);
      if (box.left == 0 && box.top == 0 && box.right == 0 && box.bottom == 0) continue;
      const Box placed = static_anims ? Box{0, 0, box.right - box.left, box.bottom - box.top} : box;
      if (drawn.empty()) {
        direction.left = placed.left, direction.top = placed.top;
        right = placed.right, bottom = placed.bottom;
      }
      direction.left = std::min<std::int64_t>(direction.left, placed.left);
      direction.top = std::min<std::int64_t>(direction.top, placed.top);
      right = std::max<std::int64_t>(right, placed.right);
      bottom = std::max<std::int64_t>(bottom, placed.bottom);
      drawn.push_back(f);
    }
    if (drawn.empty()) {
      direction.background = true;
      direction.width = sprite.width, direction.height = sprite.height;
      direction.frames.emplace_back(direction.width, direction.height, 0);
    } else {
      direction.width = static_cast<int>(right - direction.left);
      direction.height = static_cast<int>(bottom - direction.top);
      for (const int f : drawn) {
        const Box box = anim.BoxOf(f, d);
        const int x = static_anims ? 0 : static_cast<int>(box.left - direction.left);
        const int y = static_anims ? 0 : static_cast<int>(box.top - direction.top);
        direction.frames.push_back(
            CompositeFullAlpha(anim, f, d, direction.width, direction.height, x, y));
      }
    }
    directions.push_back(std::move(direction));
  }
  return directions;
}

std::string FramePng(const Direction& direction, std::size_t k) {
  char number[24];
  std::snprintf(number, sizeof number, "_%03zu", k);
  return direction.stem + number;
}

class FullAlpha : public ExecutableTest {
 protected:
  // Every PNG and WebP of the directions, by name and pixel.
  void CheckDirectionFiles(const std::string& folder, const std::vector<Direction>& directions) {
    for (const Direction& direction : directions) {
      SCOPED_TRACE(direction.stem);
      std::vector<std::vector<std::uint32_t>> frames;
      for (std::size_t k = 0; k < direction.frames.size(); ++k) {
        const testing::DecodedImage png =
            DecodePng(ReadFileBytes(Path(folder + "/" + FramePng(direction, k) + ".png")));
        EXPECT_EQ(png.width, direction.width);
        EXPECT_EQ(png.height, direction.height);
        EXPECT_TRUE(png.pixels == direction.frames[k].pixels) << "frame " << k;
        frames.push_back(direction.frames[k].pixels);
      }
#if MORVANE_HAVE_WEBP
      const testing::DecodedAnimation webp =
          testing::DecodeWebp(ReadFileBytes(Path(folder + "/" + direction.stem + ".webp")));
      EXPECT_EQ(webp.width, direction.width);
      EXPECT_EQ(webp.height, direction.height);
      if (webp.animated) {
        EXPECT_EQ(webp.loop_count, 0u);
        testing::ExpectPlays(webp, frames, kDurationMs);
      } else {
        ASSERT_EQ(webp.frames.size(), 1u);
        for (const auto& frame : frames) EXPECT_TRUE(frame == webp.frames[0]);
      }
#endif
    }
  }

  // The sheet and its atlas: every cell, cut out by the atlas's rectangle, shows its frame in
  // its direction's place in the cell and nothing else.
  void CheckSheet(const std::string& folder, const std::string& name,
                  const std::vector<Direction>& directions, bool static_anims) {
    SCOPED_TRACE(name + " sheet");
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    for (std::size_t d = 0; d < directions.size(); ++d) {
      const Direction& direction = directions[d];
      const bool at_origin = static_anims || direction.background;
      const std::int64_t l = at_origin ? 0 : direction.left, t = at_origin ? 0 : direction.top;
      left = d == 0 ? l : std::min(left, l), top = d == 0 ? t : std::min(top, t);
      right = d == 0 ? l + direction.width : std::max(right, l + direction.width);
      bottom = d == 0 ? t + direction.height : std::max(bottom, t + direction.height);
    }
    const std::int64_t cell_width = right - left, cell_height = bottom - top;

    const nlohmann::json atlas =
        nlohmann::json::parse(ReadText(Path(folder + "/" + name + ".json")));
    const testing::DecodedImage sheet =
        DecodePng(ReadFileBytes(Path(folder + "/" + name + ".png")));
    EXPECT_EQ(atlas["meta"]["app"], "morvane");
    EXPECT_EQ(atlas["meta"]["image"], name + ".png");
    EXPECT_EQ(atlas["meta"]["size"]["w"], sheet.width);
    EXPECT_EQ(atlas["meta"]["size"]["h"], sheet.height);
    const nlohmann::json& frames = atlas["frames"];
    const nlohmann::json& tags = atlas["meta"]["frameTags"];
    ASSERT_EQ(tags.size(), directions.size());
    std::vector<bool> covered(static_cast<std::size_t>(sheet.width) * sheet.height);
    std::size_t index = 0;
    for (std::size_t d = 0; d < directions.size(); ++d) {
      const Direction& direction = directions[d];
      EXPECT_EQ(tags[d]["name"], direction.stem);
      EXPECT_EQ(tags[d]["from"], index);
      EXPECT_EQ(tags[d]["to"], index + direction.frames.size() - 1);
      const bool at_origin = static_anims || direction.background;
      const std::int64_t offset_x = (at_origin ? 0 : direction.left) - left;
      const std::int64_t offset_y = (at_origin ? 0 : direction.top) - top;
      for (std::size_t k = 0; k < direction.frames.size(); ++k, ++index) {
        SCOPED_TRACE(FramePng(direction, k));
        const nlohmann::json& entry = frames.at(index);
        EXPECT_EQ(entry["filename"], FramePng(direction, k));
        EXPECT_EQ(entry["duration"], kDurationMs);
        EXPECT_NEAR(entry["pivot"]["x"].get<double>(),
                    static_anims ? 0.0 : double(-left) / double(cell_width), 1e-6);
        EXPECT_NEAR(entry["pivot"]["y"].get<double>(),
                    static_anims ? 0.0 : double(-top) / double(cell_height), 1e-6);
        const nlohmann::json& rect = entry["frame"];
        ASSERT_EQ(rect["w"], cell_width);
        ASSERT_EQ(rect["h"], cell_height);
        const int x0 = rect["x"], y0 = rect["y"];
        ASSERT_LE(x0 + cell_width, sheet.width);
        ASSERT_LE(y0 + cell_height, sheet.height);
        int wrong = 0;
        for (int y = 0; y < cell_height; ++y) {
          for (int x = 0; x < cell_width; ++x) {
            const int cx = x - static_cast<int>(offset_x), cy = y - static_cast<int>(offset_y);
            const bool inside = cx >= 0 && cy >= 0 && cx < direction.width && cy < direction.height;
            const std::size_t at = std::size_t(y0 + y) * sheet.width + x0 + x;
            covered[at] = true;
            wrong += sheet.pixels[at] != (inside ? direction.frames[k].At(cx, cy) : 0u);
          }
        }
        EXPECT_EQ(wrong, 0);
      }
    }
    EXPECT_EQ(frames.size(), index);
    // What no cell covers is transparent.
    for (std::size_t at = 0; at < covered.size(); ++at)
      if (!covered[at]) {
        ASSERT_EQ(sheet.pixels[at], 0u) << "pixel " << at;
      }
  }
};

// One run writes every output of the placed and of the static frames; the GIFs are the bytes of
// a run without the option, and the sheet of "run" wraps each direction's frames onto two rows.
TEST_F(FullAlpha, EveryOutputShowsTheGifsFramesWithTheirAlpha) {
  const TestSprite sprite = LayeredSprite();
  for (const char* file : {"gif.spr", "placed.spr", "static.spr"}) Write(file, sprite.Bytes());
  const std::string formats = MORVANE_HAVE_WEBP ? "gif,png,webp,sheet" : "gif,png,sheet";
  const std::string console =
      Run({"-a=40", "gif.spr", "-f=" + formats, "placed.spr", "-s", "static.spr"});
  EXPECT_NE(console.find("3 file(s) processed"), std::string::npos) << console;

  for (const std::string folder : {"placed", "static"}) {
    SCOPED_TRACE(folder);
    const bool static_anims = folder == "static";
    std::vector<std::string> names = {"hold.json", "hold.png", "run.json", "run.png"};
    for (const auto& [sequence, frames] :
         {std::pair<std::string, std::vector<std::int16_t>>{"run", {0, 1, 2, 3, 4}},
          {"hold", {3, 3}}}) {
      const std::vector<Direction> directions =
          ExpectedDirections(sprite, frames, sequence, static_anims);
      for (const Direction& direction : directions) {
        if (!static_anims) {
          EXPECT_EQ(ReadFileBytes(Path("placed/" + direction.stem + ".gif")),
                    ReadFileBytes(Path("gif/" + direction.stem + ".gif")))
              << direction.stem;
        }
        names.push_back(direction.stem + ".gif");
        if (MORVANE_HAVE_WEBP) names.push_back(direction.stem + ".webp");
        for (std::size_t k = 0; k < direction.frames.size(); ++k)
          names.push_back(FramePng(direction, k) + ".png");
      }
      CheckDirectionFiles(folder, directions);
      CheckSheet(folder, sequence, directions, static_anims);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(ListDirectory(Path(folder)), names);
  }
}

}  // namespace
}  // namespace morvane::e2e
