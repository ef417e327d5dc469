#include "params/command_line.h"

#include <gtest/gtest.h>

#include "params/options.h"
#include "support/temp_dir.h"
#include "support/text_console.h"

namespace morvane {
namespace {

// The walk over a store with the converter's options registered.
class Walker : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    RegisterOptions(store_);
  }

  // Walks the arguments; every converted spec is recorded in calls_ together with the
  // threshold in force when it was converted. Returns the console output.
  std::string Walk(const std::vector<std::string>& arguments, const std::string& config = "") {
    calls_.clear();
    result_ = WalkArguments(
        config.empty() ? Path("none.cfg") : config, arguments, store_, console_,
        [this](const std::string& spec, bool from_list) {
          calls_.push_back((from_list ? "list " : "arg ") + spec +
                           " t=" + std::to_string(settings_.threshold));
        },
        [this] { return ValidateSettings(store_, ColorNames(), settings_, console_); });
    return console_.Take();
  }

  ParameterStore store_;
  RunSettingsRecord settings_;
  testing::TextConsole console_;
  std::vector<std::string> calls_;
  bool result_ = false;
};

TEST_F(Walker, OptionsAreEchoedAndApplyOnlyToLaterFiles) {
  EXPECT_EQ(Walk({"a.spr", "-t=100", "b.spr", "-T=50", "c.spr::walk*"}),
            "treshold=100\ntreshold=50\n");
  EXPECT_TRUE(result_);
  EXPECT_EQ(calls_, (std::vector<std::string>{"arg a.spr t=128", "arg b.spr t=100",
                                              "arg c.spr::walk* t=50"}));
}

TEST_F(Walker, EchoShowsTheLongNameOfAnAliasAndATypedLongNameAsTyped) {
  EXPECT_EQ(Walk({"-l=0", "-bg=#FFF", "-b", "-A=7", "-Use_LZW=1", "-BGCOLOR=#000", "-x"}),
            "use_lzw=0\nbgcolor=#FFF\nuse_binary_transparency=1\nanim_speed=7\nUse_LZW=1\n"
            "BGCOLOR=#000\nError: bad parameter: -x\n");
  EXPECT_FALSE(result_);
  EXPECT_EQ(store_.Get("anim_speed"), "7");
  EXPECT_TRUE(settings_.binary_transparency);
}

TEST_F(Walker, ABadParameterEndsTheWalk) {
  EXPECT_EQ(Walk({"a.spr", "-zoom=2", "b.spr"}), "Error: bad parameter: -zoom=2\n");
  EXPECT_FALSE(result_);
  EXPECT_EQ(calls_, std::vector<std::string>{"arg a.spr t=128"});
  EXPECT_EQ(Walk({"-"}), "Error: bad parameter: -\n");
  EXPECT_EQ(Walk({"-=1"}), "Error: bad parameter: -=1\n");
}

TEST_F(Walker, AnEmptyValueRemovesTheOptionAndFailsItsValidation) {
  EXPECT_EQ(Walk({"-t=", "a.spr"}), "treshold=\nbad treshold value. Must be between 1 and 256\n");
  EXPECT_FALSE(result_);
  EXPECT_TRUE(calls_.empty());
  // Once removed, the name is no longer an option.
  store_.Set("treshold", "128");
  store_.Set("anim_speed", "");
  EXPECT_EQ(Walk({"-a=5"}), "Error: bad parameter: -a=5\n");
}

TEST_F(Walker, ValuesMayHoldEqualsSigns) {
  EXPECT_EQ(Walk({"-a=1=2"}), "anim_speed=1=2\n");
  EXPECT_EQ(store_.Get("anim_speed"), "1=2");
}

TEST_F(Walker, EmptyArgumentsAreHandedOnAsEmptySpecs) {
  EXPECT_EQ(Walk({"", "a"}), "");
  EXPECT_EQ(calls_, (std::vector<std::string>{"arg  t=128", "arg a t=128"}));
}

TEST_F(Walker, ConfigurationOverlaysTheDefaults) {
  const std::string config = Write("morvane.cfg",
                                   "[other]\ntreshold=1\n"
                                   "[Defaults]\n"
                                   "; comment\n"
                                   "  Treshold = 64 \r\n"
                                   "anim_speed=\n"
                                   "custom=yes\n");
  EXPECT_EQ(Walk({"a", "-custom=no", "-anim_speed=3"}, config),
            "custom=no\nError: bad parameter: -anim_speed=3\n");
  EXPECT_EQ(calls_, std::vector<std::string>{"arg a t=64"});
  EXPECT_EQ(store_.Get("use_lzw"), "1");  // keys not in the file keep their defaults
}

TEST_F(Walker, AConfigurationFailureEndsTheRunBeforeAnyArgument) {
  const std::string config = Write("morvane.cfg", "[defaults]\ndithering=2\nuse_lzw=3\n");
  EXPECT_EQ(Walk({"-t=5", "a"}, config), "bad use_lzw value. Must be 0 or 1\n");
  EXPECT_FALSE(result_);
  EXPECT_TRUE(calls_.empty());
  const std::string empty = Write("empty.cfg", "[defaults]\nuse_lzw=0\ndithering=1\nbgcolor=\n");
  EXPECT_EQ(Walk({"a"}, empty), "bad bgColor value\n");
}

// The list of outputs may stand in the configuration; on the command line it is echoed under
// its long name with the value as typed, and "-f" alone (the value 1) ends the walk.
TEST_F(Walker, OutputFormatsComeFromTheConfigurationOrTheCommandLine) {
  const std::string config = Write("morvane.cfg", "[defaults]\noutput_formats = Png, sheet\n");
  EXPECT_EQ(Walk({"a"}, config), "");
  EXPECT_EQ(settings_.output_formats, (OutputFormats{.png = true, .sheet = true}));
  EXPECT_EQ(Walk({"-F= gif,PNG ", "-Output_Formats=sheet", "b", "-f", "c"}),
            "output_formats= gif,PNG \nOutput_Formats=sheet\noutput_formats=1\n" +
                std::string(kBadOutputFormatsMessage) + "\n");
  EXPECT_FALSE(result_);
  EXPECT_EQ(calls_, std::vector<std::string>{"arg b t=128"});
  EXPECT_EQ(settings_.output_formats, OutputFormats{.sheet = true});
}

TEST_F(Walker, ListFilesPassEveryLineAndTheirOwnPatternsWin) {
  const std::string list = Write("list.txt", "one.spr\r\ndir/two.spr::run\n\n three.spr ");
  EXPECT_EQ(Walk({"@" + list + "::walk*", "@" + list, "-t=9", "@" + list + "::"}), "treshold=9\n");
  EXPECT_EQ(calls_, (std::vector<std::string>{
                        "list one.spr::walk* t=128", "list dir/two.spr::run t=128",
                        "list ::walk* t=128", "list  three.spr ::walk* t=128", "list one.spr t=128",
                        "list dir/two.spr::run t=128", "list  t=128", "list  three.spr  t=128",
                        "list one.spr:: t=9", "list dir/two.spr::run t=9", "list :: t=9",
                        "list  three.spr :: t=9"}));
}

TEST_F(Walker, AListFileThatCannotBeReadIsReportedAndTheWalkGoesOn) {
  EXPECT_EQ(Walk({"@" + dir_ + "/missing.txt::walk*", "@" + dir_, "@", "a"}),
            "Error in list file '" + dir_ + "/missing.txt': No such file or directory\n" +
                "Error in list file '" + dir_ + "': Is a directory\n" +
                "Error in list file '': No such file or directory\n");
  EXPECT_TRUE(result_);
  EXPECT_EQ(calls_, std::vector<std::string>{"arg a t=128"});
}

// A list file is read whole with a bound before any line converts: a line of 4096 bytes is read
// (its CR before the LF not counted), one byte more fails the whole list, as does a list past
// 64 MiB; the walk goes on.
TEST_F(Walker, AListFileIsBoundedBeforeAnyLineConverts) {
  const std::string longest(4096, 'x');
  const std::string fits = Write("fits.txt", "a.spr\n" + longest + "\r\n" + longest);
  const std::string long_line = Write("long.txt", "a.spr\n" + longest + "y\r\n");
  const std::string long_last = Write("last.txt", "a.spr\n" + longest + "\r");
  EXPECT_EQ(Walk({"@" + fits, "@" + long_line, "@" + long_last, "@/dev/zero", "b"}),
            "Error in list file '" + long_line + "': File too large\n" + "Error in list file '" +
                long_last + "': File too large\n" +
                "Error in list file '/dev/zero': File too large\n");
  EXPECT_EQ(calls_, (std::vector<std::string>{"list a.spr t=128", "list " + longest + " t=128",
                                              "list " + longest + " t=128", "arg b t=128"}));

  std::string big;
  const std::string line(4000, 'z');
  while (big.size() <= kListFileBounds.max_file_bytes) big += line + "\n";
  const std::string too_big = Write("big.txt", big);
  calls_.clear();
  EXPECT_EQ(Walk({"@" + too_big}), "Error in list file '" + too_big + "': File too large\n");
  EXPECT_TRUE(calls_.empty());
}

}  // namespace
}  // namespace morvane
