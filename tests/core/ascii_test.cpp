#include "core/ascii.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(CaseFolding, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoreCase("bgColor", "BGCOLOR"));
  EXPECT_FALSE(EqualsIgnoreCase("\xE4", "\xC4"));
  EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
  EXPECT_LT(CompareIgnoreCase("ab", "abc"), 0);
}

}  // namespace
}  // namespace morvane
