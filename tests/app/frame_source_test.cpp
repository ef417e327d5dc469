// The canvas of a direction and where its frames are placed, for every output alike.
#include "app/frame_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/file.h"
#include "sprwriter/sprwriter.h"

namespace morvane {
namespace {

namespace sw = sprwriter;

struct GeometryCase {
  std::string name;
  std::vector<sw::Box> boxes;          // of frames 0, 1, ... in one direction
  std::vector<std::int16_t> sequence;  // the sequence's entries
  bool static_anims = false;
  std::int32_t sprite_width = 40, sprite_height = 30;
  FrameGeometry geometry;
  std::vector<CanvasPoint> origins;  // of the frames handed out, in order
  std::string error;                 // raised instead, when not empty
};

TEST(DirectionFrames, GeometryAndPlacement) {
  const sw::Box kA{10, 20, 30, 40}, kB{5, 25, 25, 50}, kInverted{20, 10, 15, 5};
  constexpr std::int32_t kNone = PlacedFrame::kBackgroundFrame;
  // clang-format off
  const GeometryCase cases[] = {
      {"union", {kA, kB}, {0, 1, 0}, false, 40, 30,
       {5, 20, 25, 30, false, 3, 3}, {{5, 0}, {0, 5}, {5, 0}}, ""},
      {"static anims: extents at the origin", {kA, kB}, {1, 0}, true, 40, 30,
       {0, 0, 20, 25, false, 2, 2}, {{0, 0}, {0, 0}}, ""},
      {"negative entries and all-zero boxes are not counted", {kA, {}}, {-1, 1, 0, -43}, false,
       40, 30, {10, 20, 20, 20, false, 1, 1}, {{0, 0}}, ""},
      // A box of negative extent widens the union but is not drawn.
      {"negative extent counted, not drawn", {kA, kInverted}, {0, 1}, false, 40, 30,
       {10, 10, 20, 30, false, 1, 2}, {{0, 10}}, ""},
      {"nothing drawn: background frame", {kInverted}, {0, 0}, false, 40, 30,
       {0, 0, 40, 30, true, 1, 2}, {{0, 0}}, ""},
      {"nothing counted: background frame at least 1 x 1", {{}}, {0}, false, 0, -5,
       {0, 0, 1, 1, true, 1, 0}, {{0, 0}}, ""},
      {"no entries", {kA}, {}, false, 7, 0,
       {0, 0, 7, 1, true, 1, 0}, {{0, 0}}, ""},
      {"union too wide", {{-40000, 0, 1, 1}, {0, 0, 30000, 1}}, {0, 1}, false, 40, 30,
       {}, {}, "Image too large for GIF"},
      // The union is checked even when nothing is drawn, then the background frame.
      {"undrawn union too wide", {{-70000, 0, -80000, 1}, {0, 0, -1, 1}}, {0, 1}, false, 40, 30,
       {}, {}, "Image too large for GIF"},
      {"background frame too high", {{}}, {0}, false, 1, 65536,
       {}, {}, "Image too large for GIF"},
  };
  // clang-format on
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(c.name);
    sw::Sprite description;
    description.width = c.sprite_width;
    description.height = c.sprite_height;
    sw::Collection& anim = description.collections.emplace_back();
    anim.frame_count = static_cast<std::int32_t>(c.boxes.size());
    anim.direction_count = 1;
    anim.boxes = c.boxes;
    description.sequences.push_back({c.sequence, {}, "s", 0, {}, {}});
    MemoryFile file(sw::WriteSprite(description));
    const Sprite sprite = ParseSprite(file);
    const auto frames = [&] {
      return DirectionFrames(sprite, *sprite.GetSequence(0), *sprite.GetCollection(0), 0,
                             c.static_anims);
    };
    if (!c.error.empty()) {
      try {
        frames();
        ADD_FAILURE() << "raised nothing";
      } catch (const Error& e) {
        EXPECT_EQ(e.Message(), c.error);
      }
      continue;
    }
    DirectionFrames source = frames();
    EXPECT_EQ(source.Geometry(), c.geometry);
    std::vector<CanvasPoint> origins;
    while (const std::optional<PlacedFrame> placed = source.Next()) {
      EXPECT_EQ(placed->frame == kNone, c.geometry.background);
      origins.push_back(placed->origin);
    }
    ASSERT_EQ(origins.size(), c.origins.size());
    for (std::size_t i = 0; i < origins.size(); ++i) {
      EXPECT_EQ(origins[i].x, c.origins[i].x) << i;
      EXPECT_EQ(origins[i].y, c.origins[i].y) << i;
    }
  }
}

}  // namespace
}  // namespace morvane
