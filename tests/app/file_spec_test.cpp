#include "params/file_spec.h"

#include <gtest/gtest.h>

#include "app/convert_sequence.h"

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
  EXPECT_EQ(spec.file_name, "sprites/hero.spr");
  EXPECT_EQ(spec.pattern, "*");
  EXPECT_EQ(spec.base_name, "hero");
  EXPECT_EQ(spec.output_directory, "./hero");

  spec = ParseFileSpec("sprites/hero.spr::walk*::x", true);
  EXPECT_EQ(spec.file_name, "sprites/hero.spr");
  EXPECT_EQ(spec.pattern, "walk*::x");
  EXPECT_EQ(spec.output_directory, "sprites/hero");

  spec = ParseFileSpec("hero.spr::", true);
  EXPECT_EQ(spec.pattern, "");
  EXPECT_EQ(spec.output_directory, "hero");

  spec = ParseFileSpec("::walk", false);
  EXPECT_EQ(spec.file_name, "");
  EXPECT_EQ(spec.pattern, "walk");
}

// Base names that would be the working folder or its parent get a folder of their own; the base
// name itself, which the console and the log show, stays as it is.
TEST(ParseFileSpec, DotNamesGetAFolderOfTheirOwn) {
  FileSpec spec = ParseFileSpec("...spr", false);
  EXPECT_EQ(spec.base_name, "..");
  EXPECT_EQ(spec.output_directory, "./_..");
  spec = ParseFileSpec("sub/..spr", true);
  EXPECT_EQ(spec.base_name, ".");
  EXPECT_EQ(spec.output_directory, "sub/_.");
  spec = ParseFileSpec("sub/.spr", true);
  EXPECT_EQ(spec.base_name, "");
  EXPECT_EQ(spec.output_directory, "sub/_");
  EXPECT_EQ(FolderName("..."), "_...");
  EXPECT_EQ(FolderName(".a."), ".a.");
  EXPECT_EQ(FolderName("_"), "_");
}

// A GIF's name fits in one path component whatever the sequence's name: the name is cut, the
// suffix and extension kept, for each direction on its own.
TEST(GifFileName, CutsTheNameSoTheFileNameFits) {
  EXPECT_EQ(GifFileName("walk", "_NW"), "walk_NW.gif");
  const std::string long_name(300, 'x');
  EXPECT_EQ(GifFileName(long_name, ""), std::string(251, 'x') + ".gif");
  EXPECT_EQ(GifFileName(long_name, "_NW"), std::string(248, 'x') + "_NW.gif");
  EXPECT_EQ(GifFileName(long_name, "_N"), std::string(249, 'x') + "_N.gif");
  EXPECT_EQ(GifFileName(std::string(251, 'y'), "").size(), kMaxFileNameBytes);
  EXPECT_EQ(GifFileName(std::string(250, 'y'), ""), std::string(250, 'y') + ".gif");
}

}  // namespace
}  // namespace morvane
