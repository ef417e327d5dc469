#include "params/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/text_console.h"

namespace morvane {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Registration follows the table: the short names first, then the defaults.
TEST(OptionTable, RegistrationKeepsTheTableOrder) {
  ParameterStore store;
  RegisterOptions(store);
  const Entries aliases = {{"b", "use_binary_transparency"},
                           {"l", "use_lzw"},
                           {"t", "treshold"},
                           {"bg", "bgcolor"},
                           {"a", "anim_speed"},
                           {"s", "static_anims"},
                           {"d", "dithering"},
                           {"f", "output_formats"}};
  EXPECT_EQ(store.Aliases().Entries(), aliases);
  const Entries defaults = {{"use_binary_transparency", "0"},
                            {"use_lzw", "1"},
                            {"treshold", "128"},
                            {"bgColor", "#000000"},
                            {"anim_speed", "100"},
                            {"static_anims", "0"},
                            {"dithering", "1"},
                            {"output_formats", "gif"}};
  EXPECT_EQ(store.Values().Entries(), defaults);
}

TEST(OptionTable, TheUsageTextListsTheOptionsInItsOwnOrder) {
  const std::vector<std::string> lines = UsageLines();
  ASSERT_EQ(lines.size(), 16u);
  const std::vector<std::string> options(lines.begin() + 2, lines.begin() + 8);
  EXPECT_EQ(options,
            (std::vector<std::string>{"\t-b\tor\t-use_binary_transparency", "\t-bg\tor\t-bgColor",
                                      "\t-t\tor\t-treshold", "\t-l\tor\t-use_LZW",
                                      "\t-s\tor\t-static_anims", "\t-d\tor\t-dithering"}));
}

// A row added or changed must keep the table whole: each short name once, each usage line
// placed once by the usage order, each option stored, and a message for each that can fail.
TEST(OptionTable, EveryRowIsComplete) {
  std::set<std::string_view> aliases;
  for (const Option& option : kOptions) {
    SCOPED_TRACE(option.name);
    EXPECT_TRUE(aliases.insert(option.alias).second);
    EXPECT_TRUE(EqualsIgnoreCase(option.name, option.alias_target));
    EXPECT_FALSE(option.default_value.empty());
    EXPECT_FALSE(option.meaning.empty());
    EXPECT_NE(option.apply, nullptr);
    // Every step refuses "-1" but that of the one row that refuses nothing.
    RunSettingsRecord scratch;
    EXPECT_EQ(option.bad_value_message.empty(), option.apply("-1", ColorNames(), scratch));
    const auto placed = std::count(kUsageOrder.begin(), kUsageOrder.end(), option.alias);
    EXPECT_EQ(placed, option.usage_line.empty() ? 0 : 1);
  }
}

// The store as registered, validated into a record; each case starts from the defaults.
class Validation : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void Reset() {
    store_ = ParameterStore();
    RegisterOptions(store_);
  }

  void SetValues(const Entries& values) {
    for (const auto& [name, value] : values) store_.Set(name, value);
  }
  // The record's fields in table order, each as the integer its option reads (before the
  // output formats).
  std::vector<std::uint32_t> Fields() const {
    return {settings_.binary_transparency,
            settings_.frame_coding == FrameCoding::kLzw,
            static_cast<std::uint32_t>(settings_.threshold),
            settings_.background_color,
            settings_.anim_speed,
            settings_.static_anims,
            settings_.dithering == DitherMethod::kFloydSteinberg};
  }

  // Runs the validation and returns its console output; ok receives the result.
  std::string Validate(bool& ok) {
    ok = ValidateSettings(store_, ColorNames(), settings_, console_);
    return console_.Take();
  }
  void ExpectRejected(const char* name, const char* value, const std::string& message) {
    Reset();
    store_.Set(name, value);
    bool ok = true;
    EXPECT_EQ(Validate(ok), message + "\n") << name << "=" << value;
    EXPECT_FALSE(ok);
  }
  void ExpectAccepted(const char* name, const char* value) {
    Reset();
    store_.Set(name, value);
    bool ok = false;
    EXPECT_EQ(Validate(ok), "") << name << "=" << value;
    EXPECT_TRUE(ok);
  }

  ParameterStore store_;
  RunSettingsRecord settings_;
  testing::TextConsole console_;
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
  ExpectAccepted("use_lzw", "abc");  // reads as 0
  // The animation speed is read as an integer and never refused.
  ExpectAccepted("anim_speed", "fast");
  EXPECT_EQ(settings_.anim_speed, 0u);
  ExpectAccepted("anim_speed", "-1");
  EXPECT_EQ(settings_.anim_speed, 0xFFFFFFFFu);
}

TEST_F(Validation, MissingOptionsReadAsZeroOrAnEmptyColour) {
  SetValues(
      {{"use_binary_transparency", ""}, {"use_lzw", ""}, {"static_anims", ""}, {"dithering", ""}});
  bool ok = false;
  EXPECT_EQ(Validate(ok), "");
  EXPECT_TRUE(ok);
  EXPECT_EQ(settings_.frame_coding, FrameCoding::kRunLength);
  EXPECT_EQ(settings_.dithering, DitherMethod::kNearest);

  ExpectRejected("treshold", "", "bad treshold value. Must be between 1 and 256");
  ExpectRejected("bgColor", "", "bad bgColor value");
}

// The table's order decides which of several bad values is reported.
TEST_F(Validation, OnlyTheFirstFailureIsReportedAndEarlierValuesAreStored) {
  SetValues({{"use_lzw", "0"},
             {"treshold", "64"},
             {"bgcolor", "#FFF"},
             {"anim_speed", "50"},
             {"static_anims", "5"},
             {"dithering", "9"}});
  bool ok = true;
  EXPECT_EQ(Validate(ok), "bad static_anims value. Must be 0 or 1\n");
  EXPECT_FALSE(ok);
  // static_anims is found bad and keeps its value; dithering is never reached.
  EXPECT_EQ(Fields(), (std::vector<std::uint32_t>{0, 0, 64, 0xFFFFFF, 50, 0, 1}));

  SetValues({{"use_binary_transparency", "-1"}, {"treshold", "0"}});
  EXPECT_EQ(Validate(ok), "bad use_binary_transparency value. Must be 0 or 1\n");
  SetValues({{"use_binary_transparency", "0"}, {"bgcolor", "none"}});
  EXPECT_EQ(Validate(ok), "bad treshold value. Must be between 1 and 256\n");
}

TEST_F(Validation, ValidSettingsFillTheRecord) {
  SetValues({{"use_binary_transparency", "1"},
             {"use_lzw", "0"},
             {"treshold", "$FF"},
             {"bgcolor", "#abc"},
             {"anim_speed", " +$1F4"},
             {"static_anims", "1"},
             {"dithering", "0"}});
  bool ok = false;
  EXPECT_EQ(Validate(ok), "");
  ASSERT_TRUE(ok);
  EXPECT_EQ(Fields(), (std::vector<std::uint32_t>{1, 0, 255, 0xCCBBAA, 500, 1, 0}));
}

// Each value of the list of outputs gives the formats it turns on, or the message, which names
// the words this build offers. Validated last, after dithering.
TEST_F(Validation, OutputFormatsAreAListOfTheOfferedWords) {
  std::string words;
  for (const OutputFormatWord& offered : kOutputFormatWords)
    words += (words.empty() ? "" : ", ") + std::string(offered.word);
  EXPECT_EQ(kBadOutputFormatsMessage, "bad output_formats value. Must be a list of " + words);
  EXPECT_EQ(words, MORVANE_HAVE_WEBP ? "gif, png, webp, sheet" : "gif, png, sheet");

  const std::optional<OutputFormats> refused;
  const std::pair<const char*, std::optional<OutputFormats>> cases[] = {
      {"gif", OutputFormats{.gif = true}},
      {" PNG ,\tsheet, Png,SHEET ", OutputFormats{.png = true, .sheet = true}},
      {"sheet,gif,png", OutputFormats{.gif = true, .png = true, .sheet = true}},
      {"webp,gif", MORVANE_HAVE_WEBP ? OutputFormats{.gif = true, .webp = true} : refused},
      {"", refused},  // "-f=" removes the value
      {" ", refused},
      {"gif,", refused},
      {",png", refused},
      {"gif,,png", refused},
      {"gif png", refused},
      {"1", refused},  // "-f" alone
      {"gifs", refused},
      {"jpeg", refused},
  };
  for (const auto& [value, formats] : cases) {
    if (formats) {
      ExpectAccepted("output_formats", value);
      EXPECT_EQ(settings_.output_formats, *formats) << value;
    } else {
      ExpectRejected("output_formats", value, std::string(kBadOutputFormatsMessage));
    }
  }
  SetValues({{"dithering", "2"}, {"output_formats", "jpeg"}});
  bool ok = true;
  EXPECT_EQ(Validate(ok), "bad dithering value. Must be 0 or 1\n");
}

}  // namespace
}  // namespace morvane
