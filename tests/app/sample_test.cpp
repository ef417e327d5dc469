#include "sample/sample.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/e2e_sprites.h"
#include "app/frame_source.h"
#include "app/output_names.h"
#include "platform/file.h"
#include "sprite/sprite.h"

namespace morvane {
namespace {

// The bundled sample is the generator's output: regenerating it gives the same bytes.
TEST(Sample, GeneratorReproducesTheBundledSprite) {
  EXPECT_EQ(sprwriter::WriteSprite(sample::HeroSprite()),
            testing::ReadFileBytes(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr"))
      << "regenerate it with: build/tools/sample/morvane-sample sample/hero.spr";
}

using e2e::Rgb;
// Colours of the figure's parts that are drawn fully opaque, so the composited frame holds
// them exactly.
constexpr ColorValue kTorso = Rgb(52, 96, 170);
constexpr ColorValue kBoots = Rgb(40, 30, 30);
constexpr ColorValue kEyes = Rgb(30, 30, 60);

// The pixels of one colour in a frame: how many, and the mean of their x.
struct Part {
  int count = 0;
  double x = 0;
};
Part Find(const RgbCanvas& canvas, ColorValue colour) {
  Part part;
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      if (canvas.Row(y)[x] != colour) continue;
      part.x += x;
      ++part.count;
    }
  }
  if (part.count > 0) part.x /= part.count;
  return part;
}

// east: -1 west, 0 neither, 1 east; away: walking up the screen.
void ExpectFacing(const RgbCanvas& canvas, int east, bool away) {
  const Part torso = Find(canvas, kTorso), boots = Find(canvas, kBoots), eyes = Find(canvas, kEyes);
  ASSERT_GT(torso.count, 0);
  ASSERT_GT(boots.count, 0);
  const double toes = boots.x - torso.x;
  if (east == 0) {
    EXPECT_LT(std::abs(toes), 0.5);
  } else {
    EXPECT_GT(toes * east, 0.5);
  }
  EXPECT_EQ(eyes.count > 0, !away);
  if (eyes.count == 0) return;
  if (east == 0) {
    EXPECT_LT(std::abs(eyes.x - torso.x), 0.5);
  } else {
    EXPECT_GT((eyes.x - torso.x) * east, 1.0);
  }
}

// Every walking frame, as the converter composites it, faces the way its direction is named:
// its boots point to the screen's right for the eastern directions and to its left for the
// western ones, straight for north and south; its eyes show, on the side it faces, unless it
// walks up the screen, away from the viewer.
TEST(Sample, WalkingFigureFacesTheWayItsDirectionIsNamed) {
  MemoryFile file(sprwriter::WriteSprite(sample::HeroSprite()));
  Sprite sprite = ParseSprite(file);
  sprite.GetCollection(0)->SetImages(LoadImageSet(file, sprite, 0));
  const Sequence& walk = *sprite.GetSequence(0);
  const Collection& anim = *sprite.GetCollection(walk.CollectionIndex());
  ASSERT_EQ(walk.Name(), "walk");
  ASSERT_EQ(anim.DirectionCount(), 8);

  for (std::int32_t d = 0; d < 8; ++d) {
    const std::string name = DirectionSuffix(8, d).substr(1);
    SCOPED_TRACE(name);
    // -1 west, 0 neither, 1 east.
    const int east = name.find('E') != std::string::npos   ? 1
                     : name.find('W') != std::string::npos ? -1
                                                           : 0;
    const bool away = name.starts_with('N');
    int frames = 0;
    DirectionFrames source(sprite, walk, anim, d, false);
    ASSERT_FALSE(source.Geometry().background);
    RgbCanvas canvas(source.Geometry().width, source.Geometry().height);
    while (source.DrawNext(canvas, 0, kBlendByAlpha)) {
      ++frames;
      ExpectFacing(canvas, east, away);
    }
    EXPECT_EQ(frames, 4);
  }
}

}  // namespace
}  // namespace morvane
