#include "params/ini.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(Ini, ReadsTheFirstDefaultsSectionOnly) {
  const std::vector<std::string> lines = {
      "key=outside",   "[other]",        "key=other",      "[ DEFAULTS ]", "  ; a comment",
      " Use_LZW = 0 ", "quoted=\"a b\"", "single='x'",     "mixed=\"y'",   "no equals sign",
      "=empty key",    "empty=",         "use_lzw=second", "[defaults]",   "late=1"};
  const IniEntries entries = ParseIniSection(lines, "defaults");
  const IniEntries expected = {
      {"Use_LZW", "0"}, {"quoted", "a b"}, {"single", "x"}, {"mixed", "\"y'"}, {"empty", ""}};
  EXPECT_EQ(entries, expected);
}

TEST(Ini, MissingFileGivesNothing) {
  EXPECT_TRUE(ReadIniSection("/nonexistent/morvane.cfg", "defaults").empty());
}

}  // namespace
}  // namespace morvane
