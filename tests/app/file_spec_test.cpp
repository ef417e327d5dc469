#include "app/file_spec.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(BaseName, DropsTheDirectoryAndTheLastExtension) {
  EXPECT_EQ(BaseName("hero.spr"), "hero");
  EXPECT_EQ(BaseName("a.b.spr"), "a.b");
  EXPECT_EQ(BaseName("noext"), "noext");
  EXPECT_EQ(BaseName("dir.d/noext"), "noext");
  EXPECT_EQ(BaseName("/data/sprites/hero.SPR"), "hero");
  EXPECT_EQ(BaseName("c:hero.spr"), "c:hero");  // ":" is an ordinary character
  EXPECT_EQ(BaseName("dir/"), "");
  EXPECT_EQ(BaseName(""), "");
}

TEST(ParseFileSpec, SplitsAtTheFirstDoubleColon) {
  FileSpec spec = ParseFileSpec("sprites/hero.spr", false);
  EXPECT_EQ(spec.FileName, "sprites/hero.spr");
  EXPECT_EQ(spec.Pattern, "*");
  EXPECT_EQ(spec.BaseName, "hero");
  EXPECT_EQ(spec.OutputDirectory, "./hero");

  spec = ParseFileSpec("sprites/hero.spr::walk*::x", true);
  EXPECT_EQ(spec.FileName, "sprites/hero.spr");
  EXPECT_EQ(spec.Pattern, "walk*::x");
  EXPECT_EQ(spec.OutputDirectory, "sprites/hero");

  spec = ParseFileSpec("hero.spr::", true);
  EXPECT_EQ(spec.Pattern, "");
  EXPECT_EQ(spec.OutputDirectory, "hero");

  spec = ParseFileSpec("::walk", false);
  EXPECT_EQ(spec.FileName, "");
  EXPECT_EQ(spec.Pattern, "walk");
}

}  // namespace
}  // namespace morvane
