#include "params/colors.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace morvane {
namespace {

TEST(ParseColorText, LongAndShortForms) {
  EXPECT_EQ(ParseColorText("#FF0000"), 0x0000FFu);
  EXPECT_EQ(ParseColorText("#00F"), 0xFF0000u);
  EXPECT_EQ(ParseColorText("#FFF"), 0xFFFFFFu);
  EXPECT_EQ(ParseColorText("#abc"), 0xCCBBAAu);
  EXPECT_EQ(ParseColorText("#123456"), 0x563412u);
  EXPECT_EQ(ParseColorText("#000000"), 0u);
}

TEST(ParseColorText, AnythingElseIsNotAColour) {
  for (const char* text : {"", "#", "#1", "#12", "#1234", "#12345", "#1234567", "#GGGGGG", "000000",
                           " #FFF", "#FFF ", "#-12", "red"}) {
    EXPECT_EQ(ParseColorText(text), kBadColor) << '"' << text << '"';
  }
}

class ColorNameFile : public testing::TempDirTest {
 protected:
  void Load(const std::string& text) { names_ = ColorNames::FromFile(Write("colors.cfg", text)); }
  ColorValue ColorByName(std::string_view text) const { return names_.ColorOf(text); }

  ColorNames names_;
};

TEST_F(ColorNameFile, NamesIgnoreCaseAndTheLastDefinitionWins) {
  Load("red=#FF0000\r\nsky=#8CE\n");
  EXPECT_EQ(ColorByName("red"), 0x0000FFu);
  EXPECT_EQ(ColorByName("RED"), 0x0000FFu);
  EXPECT_EQ(ColorByName("sky"), 0xEECC88u);
  Load("red=#FF0000\nRed=#800000\n");
  EXPECT_EQ(ColorByName("red"), 0x000080u);
  // Texts that are not names still parse as colours.
  EXPECT_EQ(ColorByName("#FFF"), 0xFFFFFFu);
  EXPECT_EQ(ColorByName("blue"), kBadColor);
}

TEST_F(ColorNameFile, NothingIsTrimmedAndBadLinesAreSkipped) {
  Load(
      "[colors]\n"
      "; comment=#FFFFFF\n"
      "\n"
      "spaced = #00FF00\n"
      "tail =#0000FF\n"
      "bad=#GG0000\n"
      "FFFFFF=#010203\n"
      "=#FFFFFF\n"
      "a=b=#FFF\n");
  EXPECT_EQ(ColorByName("spaced "), kBadColor);  // its value starts with a blank
  EXPECT_EQ(ColorByName("spaced"), kBadColor);
  EXPECT_EQ(ColorByName("tail "), 0xFF0000u);
  EXPECT_EQ(ColorByName("tail"), kBadColor);
  EXPECT_EQ(ColorByName("; comment"), kBadColor);
  EXPECT_EQ(ColorByName("bad"), kBadColor);
  EXPECT_EQ(ColorByName("ffffff"), 0x030201u);  // a name wins over the hexadecimal reading
  EXPECT_EQ(ColorByName(""), 0xFFFFFFu);        // the empty name may be defined
  EXPECT_EQ(ColorByName("a"), kBadColor);       // the name ends at the first "="
}

TEST_F(ColorNameFile, AMissingOrUnreadableFileLeavesNoNames) {
  Load("red=#FF0000\n");
  names_ = ColorNames::FromFile(Path("none.cfg"));
  EXPECT_EQ(ColorByName("red"), kBadColor);
  Load("red=#FF0000\n");
  names_ = ColorNames::FromFile(dir_);  // a directory
  EXPECT_EQ(ColorByName("red"), kBadColor);
  EXPECT_EQ(ColorByName(""), kBadColor);
  EXPECT_EQ(ColorNames().ColorOf("red"), kBadColor);
}

}  // namespace
}  // namespace morvane
