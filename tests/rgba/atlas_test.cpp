#include <gtest/gtest.h>

#include <stdexcept>

#include "rgba/atlas_json.h"

namespace morvane::rgba {
namespace {

TEST(AtlasJson, EscapesStrings) {
  struct Case {
    std::string_view text;
    const char* json;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"walk_N"sv, R"("walk_N")"},
      {"a\"b\\c/d"sv, R"("a\"b\\c/d")"},
      {"\x00\x01\t\n\x1f\x7f"sv, R"("\u0000\u0001\u0009\u000a\u001f\u007f")"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x90\x89"sv,
       "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x90\x89\""},
      {"caf\xe9"sv, R"("caf\u00e9")"},                                    // Latin-1 alone
      {"\x80\xbf"sv, R"("\u0080\u00bf")"},                                // stray continuations
      {"\xc3"sv, R"("\u00c3")"},                                          // cut at the end
      {"\xe2\x82x"sv, R"("\u00e2\u0082x")"},                              // cut before a letter
      {"\xc0\xaf\xe0\x80\xaf"sv, R"("\u00c0\u00af\u00e0\u0080\u00af")"},  // overlong
      {"\xed\xa0\x80"sv, R"("\u00ed\u00a0\u0080")"},                      // a surrogate
      {"\xf4\x90\x80\x80\xf5"sv, R"("\u00f4\u0090\u0080\u0080\u00f5")"},  // past U+10FFFF
      {"\xed\x9f\xbf\xf4\x8f\xbf\xbf"sv, "\"\xed\x9f\xbf\xf4\x8f\xbf\xbf\""},  // the last valid
  };
  for (const Case& c : cases) {
    std::string out;
    AppendJsonString(out, c.text);
    EXPECT_EQ(out, c.json);
  }
}

TEST(AtlasJson, DecimalsAndFrameNumbers) {
  const std::pair<Fraction, const char*> decimals[] = {
      {{0, 1}, "0"},
      {{1, 2}, "0.5"},
      {{2, 3}, "0.666667"},
      {{1, 3}, "0.333333"},
      {{-1, 8}, "-0.125"},
      {{3, 1}, "3"},
      {{-1, 10000000}, "0"},
      {{1, 2000000}, "0.000001"},
      {{-5, 10000000}, "-0.000001"},
      {{1999999, 2000000}, "1"},
      {{-300, 16}, "-18.75"},
      {{48, 48}, "1"},
  };
  for (const auto& [value, text] : decimals) EXPECT_EQ(FormatDecimal(value), text);
  EXPECT_THROW(FormatDecimal({1, 0}), std::invalid_argument);

  EXPECT_EQ(FrameNumber(0, 1), "000");
  EXPECT_EQ(FrameNumber(7, 12), "007");
  EXPECT_EQ(FrameNumber(999, 1000), "999");
  EXPECT_EQ(FrameNumber(7, 1001), "0007");
  EXPECT_EQ(FrameNumber(12345, 20000), "12345");
}

TEST(AtlasJson, WholeAtlas) {
  const DirectionCanvas directions[] = {{-2, -4, 4, 4, 2}, {0, 0, 3, 3, 1, true}};
  const SheetLayout layout = LayOutSheet(directions, false);
  const AtlasDirectionNames names[] = {{"run_N", "run_N"}, {"run\"S", "ru"}};
  EXPECT_EQ(AtlasJson(layout, names, "run.png", 100, "2.0 beta"),
            R"({"frames": [
  {"filename": "run_N_000", "frame": {"x": 0, "y": 0, "w": 5, "h": 7}, "rotated": false, "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 5, "h": 7}, "sourceSize": {"w": 5, "h": 7}, "pivot": {"x": 0.4, "y": 0.571429}, "duration": 100},
  {"filename": "run_N_001", "frame": {"x": 5, "y": 0, "w": 5, "h": 7}, "rotated": false, "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 5, "h": 7}, "sourceSize": {"w": 5, "h": 7}, "pivot": {"x": 0.4, "y": 0.571429}, "duration": 100},
  {"filename": "ru_000", "frame": {"x": 0, "y": 7, "w": 5, "h": 7}, "rotated": false, "trimmed": false, "spriteSourceSize": {"x": 0, "y": 0, "w": 5, "h": 7}, "sourceSize": {"w": 5, "h": 7}, "pivot": {"x": 0.4, "y": 0.571429}, "duration": 100}
 ],
 "meta": {"app": "morvane", "version": "2.0 beta", "image": "run.png", "format": "RGBA8888", "size": {"w": 10, "h": 14}, "scale": "1",
  "frameTags": [
   {"name": "run_N", "from": 0, "to": 1, "direction": "forward"},
   {"name": "run\"S", "from": 2, "to": 2, "direction": "forward"}
  ]
 }
}
)");
  EXPECT_THROW(AtlasJson(layout, std::span(names).first(1), "run.png", 100, "v"),
               std::invalid_argument);
}

}  // namespace
}  // namespace morvane::rgba
