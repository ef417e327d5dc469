// The names of a sequence's files: each fits in one path component whatever the sequence's
// name, cut bytewise for each file on its own, the suffix and the ending kept.
#include "app/output_names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/path.h"

namespace morvane {
namespace {

TEST(OutputNames, DirectionSuffixes) {
  EXPECT_EQ(DirectionSuffix(1, 0), "");
  EXPECT_EQ(DirectionSuffix(4, 0), "_NW");
  EXPECT_EQ(DirectionSuffix(4, 3), "_SW");
  EXPECT_EQ(DirectionSuffix(8, 1), "_N");
  EXPECT_EQ(DirectionSuffix(8, 7), "_W");
  EXPECT_EQ(DirectionSuffix(5, 4), "_04");
  EXPECT_EQ(DirectionSuffix(300, 255), "_FF");
  EXPECT_EQ(DirectionSuffix(300, 256), "_100");
}

TEST(OutputNames, EveryNameFitsOnePathComponent) {
  const std::string x300(300, 'x');
  struct Case {
    std::string name, expected;
  };
  const Case cases[] = {
      {GifFileName("walk", "_NW"), "walk_NW.gif"},
      {GifFileName(x300, ""), std::string(251, 'x') + ".gif"},
      {GifFileName(x300, "_NW"), std::string(248, 'x') + "_NW.gif"},
      {GifFileName(x300, "_N"), std::string(249, 'x') + "_N.gif"},
      {GifFileName(std::string(250, 'y'), ""), std::string(250, 'y') + ".gif"},
      {GifFileName("", "_NW"), "_NW.gif"},
      {WebpFileName("walk", "_NW"), "walk_NW.webp"},
      {WebpFileName(x300, "_NW"), std::string(247, 'x') + "_NW.webp"},
      // At least three digits, as many as the last frame's number needs.
      {FramePngFileName("walk", "_NW", 0, 1), "walk_NW_000.png"},
      {FramePngFileName("walk", "", 7, 1000), "walk_007.png"},
      {FramePngFileName("walk", "", 7, 1001), "walk_0007.png"},
      {FramePngFileName("walk", "", 1000, 1001), "walk_1000.png"},
      {FramePngFileName(x300, "_NW", 0, 12), std::string(244, 'x') + "_NW_000.png"},
      {FramePngFileName(x300, "_NW", 0, 20000), std::string(242, 'x') + "_NW_00000.png"},
      {SheetName("walk"), "walk"},
      {SheetName(x300), std::string(250, 'x')},
      {SheetName(""), "_"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.name, c.expected);
    EXPECT_LE(c.name.size(), kMaxFileNameBytes);
  }
}

}  // namespace
}  // namespace morvane
