#include "params/params.h"

#include <gtest/gtest.h>

#include "params/colors.h"

namespace morvane {
namespace {

TEST(NameValueList, NamesIgnoreAsciiCaseAndKeepTheirLastSpelling) {
  NameValueList list;
  list.Set("bgColor", "#000000");
  list.Set("BGCOLOR", "#FFF");
  ASSERT_EQ(list.Entries().size(), 1u);
  EXPECT_EQ(list.Entries()[0].first, "BGCOLOR");
  EXPECT_EQ(list.Get("bgcolor"), "#FFF");
  // Only A-Z fold: bytes above 127 compare exactly.
  list.Set("\xC4", "1");
  EXPECT_EQ(list.Get("\xE4"), "");
  EXPECT_EQ(list.Get("\xC4"), "1");
}

TEST(NameValueList, AnEmptyValueIsNeverStored) {
  NameValueList list;
  list.Set("a", "");
  EXPECT_TRUE(list.Entries().empty());
  list.Set("a", "1");
  list.Set("b", "x=y");
  list.Set("A", "");
  ASSERT_EQ(list.Entries().size(), 1u);
  EXPECT_EQ(list.Get("a"), "");
  EXPECT_EQ(list.Get("b"), "x=y");
}

TEST(Parameters, SetDefaultOnlyFillsAnAbsentValue) {
  ResetParameters();
  SetParam("Treshold", "64");
  SetDefault("treshold", "128");
  SetDefault("dithering", "1");
  EXPECT_EQ(GetParam("TRESHOLD"), "64");
  EXPECT_EQ(GetParam("dithering"), "1");
  EXPECT_EQ(GetIntParam("missing"), 0);
  ResetParameters();
}

TEST(ParseIntText, DecimalAndHexadecimalForms) {
  EXPECT_EQ(ParseIntText("12"), 12);
  EXPECT_EQ(ParseIntText("  12"), 12);
  EXPECT_EQ(ParseIntText("+5"), 5);
  EXPECT_EQ(ParseIntText("-1"), -1);
  EXPECT_EQ(ParseIntText("007"), 7);
  EXPECT_EQ(ParseIntText("$1F"), 31);
  EXPECT_EQ(ParseIntText("$1f"), 31);
  EXPECT_EQ(ParseIntText("-$10"), -16);
  EXPECT_EQ(ParseIntText("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseIntText("$80000000"), INT32_MIN);
  EXPECT_EQ(ParseIntText("$000000000001"), 1);
  EXPECT_EQ(ParseIntText("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseIntText("-2147483648"), INT32_MIN);
}

TEST(ParseIntText, EverythingElseReadsAsZero) {
  for (const char* text : {"",
                           " ",
                           "12 ",
                           "1x",
                           "abc",
                           "-",
                           "+",
                           "$",
                           "-$",
                           "$G",
                           "0x10",
                           "\t5",
                           "1 2",
                           "+-1",
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999",
                           "$100000000",
                           "$1FFFFFFFF",
                           "1.5"}) {
    EXPECT_EQ(ParseIntText(text), 0) << '"' << text << '"';
  }
}

class Validation : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetParameters();
    ClearColorNames();
    SetParam("use_binary_transparency", "0");
    SetParam("use_lzw", "1");
    SetParam("treshold", "128");
    SetParam("bgColor", "#000000");
    SetParam("static_anims", "0");
    SetParam("dithering", "1");
  }
  void TearDown() override { ResetParameters(); }

  // Runs the validation and returns its console output; ok receives the result.
  std::string Validate(bool& ok) {
    testing::internal::CaptureStdout();
    ok = ValidateSettings();
    return testing::internal::GetCapturedStdout();
  }
  void ExpectRejected(const char* name, const char* value, const std::string& message) {
    SetUp();
    SetParam(name, value);
    bool ok = true;
    EXPECT_EQ(Validate(ok), message + "\n") << name << "=" << value;
    EXPECT_FALSE(ok);
  }
  void ExpectAccepted(const char* name, const char* value) {
    SetUp();
    SetParam(name, value);
    bool ok = false;
    EXPECT_EQ(Validate(ok), "") << name << "=" << value;
    EXPECT_TRUE(ok);
  }
};

TEST_F(Validation, EveryOptionHasItsMessage) {
  ExpectRejected("use_binary_transparency", "2",
                 "bad use_binary_transparency value. Must be 0 or 1");
  ExpectRejected("use_lzw", "-1", "bad use_lzw value. Must be 0 or 1");
  ExpectRejected("treshold", "0", "bad treshold value. Must be between 1 and 256");
  ExpectRejected("treshold", "257", "bad treshold value. Must be between 1 and 256");
  ExpectRejected("treshold", "-5", "bad treshold value. Must be between 1 and 256");
  ExpectRejected("bgcolor", "FFFFFF", "bad bgColor value");
  ExpectRejected("bgcolor", "#12345", "bad bgColor value");
  ExpectRejected("static_anims", "$FFFFFFFF", "bad static_anims value. Must be 0 or 1");
  ExpectRejected("dithering", "7", "bad dithering value. Must be 0 or 1");

  ExpectAccepted("treshold", "1");
  ExpectAccepted("treshold", "256");
  ExpectAccepted("use_lzw", "abc");      // reads as 0
  ExpectAccepted("anim_speed", "fast");  // never validated
}

TEST_F(Validation, MissingOptionsReadAsZeroOrAnEmptyColour) {
  SetParam("use_binary_transparency", "");
  SetParam("use_lzw", "");
  SetParam("static_anims", "");
  SetParam("dithering", "");
  bool ok = false;
  EXPECT_EQ(Validate(ok), "");
  EXPECT_TRUE(ok);
  EXPECT_EQ(RunSettings().UseLZW, 0u);
  EXPECT_EQ(RunSettings().Dithering, 0u);

  ExpectRejected("treshold", "", "bad treshold value. Must be between 1 and 256");
  ExpectRejected("bgColor", "", "bad bgColor value");
}

TEST_F(Validation, OnlyTheFirstFailureIsReportedAndEarlierValuesAreStored) {
  SetParam("use_lzw", "0");
  SetParam("treshold", "64");
  SetParam("bgcolor", "#FFF");
  SetParam("static_anims", "5");
  SetParam("dithering", "9");
  bool ok = true;
  EXPECT_EQ(Validate(ok), "bad static_anims value. Must be 0 or 1\n");
  EXPECT_FALSE(ok);
  EXPECT_EQ(RunSettings().UseLZW, 0u);
  EXPECT_EQ(RunSettings().Threshold, 64u);
  EXPECT_EQ(RunSettings().BackgroundColor, 0xFFFFFFu);
  EXPECT_EQ(RunSettings().StaticAnims, 5u);  // stored, then found bad
  EXPECT_EQ(RunSettings().Dithering, 1u);    // never reached

  SetParam("use_binary_transparency", "-1");
  SetParam("treshold", "0");
  EXPECT_EQ(Validate(ok), "bad use_binary_transparency value. Must be 0 or 1\n");
}

TEST_F(Validation, ValidSettingsFillTheRecord) {
  SetParam("use_binary_transparency", "1");
  SetParam("use_lzw", "0");
  SetParam("treshold", "$FF");
  SetParam("bgcolor", "#abc");
  SetParam("static_anims", "1");
  SetParam("dithering", "0");
  bool ok = false;
  EXPECT_EQ(Validate(ok), "");
  ASSERT_TRUE(ok);
  const RunSettingsRecord& s = RunSettings();
  EXPECT_EQ(s.BinaryTransparency, 1u);
  EXPECT_EQ(s.UseLZW, 0u);
  EXPECT_EQ(s.Threshold, 255u);
  EXPECT_EQ(s.BackgroundColor, 0xCCBBAAu);
  EXPECT_EQ(s.StaticAnims, 1u);
  EXPECT_EQ(s.Dithering, 0u);
}

}  // namespace
}  // namespace morvane
