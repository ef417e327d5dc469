#include "params/file_spec.h"

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

}  // namespace
}  // namespace morvane
