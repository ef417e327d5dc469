#include "app/morvane.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/e2e_support.h"
#include "params/colors.h"
#include "params/params.h"

namespace morvane {
namespace {

using e2e::kBanner;
using e2e::TempDirTest;
namespace fs = std::filesystem;

const std::string kUsage =
    "Usage: morvane <option>|<file[::sequence]>|<@listfile[::sequence]>\n"
    "Options (see morvane.cfg for description):\n"
    "\t-b\tor\t-use_binary_transparency\n"
    "\t-bg\tor\t-bgColor\n"
    "\t-t\tor\t-treshold\n"
    "\t-l\tor\t-use_LZW\n"
    "\t-s\tor\t-static_anims\n"
    "\t-d\tor\t-dithering\n"
    "Every option only affects the files, specified after the option.\n"
    "Example:\n"
    "  dir /s/b *.spr > sprs.lst\n"
    "  morvane @sprs.lst\n"
    "\tconvert all SPR files in the current directory and below to GIF format\n"
    "\tusing the default parameters. GIFs are placed in the subdirectories\n"
    "\tnamed as sprite files. These subdirectories are located in the same\n"
    "\tdirectory as the original SPRs.\n";

// The entry called in this process, with a configuration file in a temporary directory.
class Entry : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ResetParameters();
    ResetRunCounters();
    ClearColorNames();
  }
  void TearDown() override {
    ResetParameters();
    TempDirTest::TearDown();
  }
  std::string Run(const std::vector<std::string>& arguments) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunMorvane(arguments, dir_ + "/morvane.cfg"), 0);
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(Entry, NoArgumentsPrintTheUsageAndRegisterNothing) {
  Write("morvane.cfg", "[defaults]\ntreshold=0\n");
  EXPECT_EQ(Run({}), kBanner + kUsage);
  EXPECT_TRUE(ParameterStore().Entries().empty());
  EXPECT_TRUE(AliasTable().Entries().empty());
}

TEST_F(Entry, RegisterOptionsAddsAliasesThenDefaultsInOrder) {
  RegisterOptions();
  const std::vector<std::pair<std::string, std::string>> aliases = {
      {"b", "use_binary_transparency"},
      {"l", "use_lzw"},
      {"bg", "bgcolor"},
      {"t", "treshold"},
      {"a", "anim_speed"},
      {"s", "static_anims"},
      {"d", "dithering"}};
  EXPECT_EQ(AliasTable().Entries(), aliases);
  const std::vector<std::pair<std::string, std::string>> defaults = {
      {"use_binary_transparency", "0"},
      {"use_lzw", "1"},
      {"treshold", "128"},
      {"bgColor", "#000000"},
      {"anim_speed", "100"},
      {"static_anims", "0"},
      {"dithering", "1"}};
  EXPECT_EQ(ParameterStore().Entries(), defaults);
}

TEST_F(Entry, OnlyOptionsProcessNothing) {
  EXPECT_EQ(Run({"-a=5", "-s"}), kBanner + "anim_speed=5\nstatic_anims=1\n0 file(s) processed\n");
}

TEST_F(Entry, FailedFilesAreCountedAndEmptySpecsSkipped) {
  const std::string list = Write("list.txt", "\n::walk\n" + dir_ + "/gone.spr\n");
  EXPECT_EQ(Run({dir_ + "/missing.spr", "", "::x", "@" + list, dir_}),
            kBanner + "Parsing 'missing'\tError: No such file or directory\n" +
                "Parsing 'gone'\tError: No such file or directory\n" + "Parsing '" +
                fs::path(dir_).filename().string() + "'\tError: Is a directory\n" +
                "0 file(s) processed\n3 error(s) encountered\n");
  EXPECT_EQ(ErrorCount, 3);
  EXPECT_EQ(FilesProcessed, 0);
}

TEST_F(Entry, AnEarlyEndPrintsNoSummary) {
  EXPECT_EQ(Run({"-b=2", dir_ + "/a.spr"}),
            kBanner + "use_binary_transparency=2\n" +
                "bad use_binary_transparency value. Must be 0 or 1\n");
  ResetParameters();
  EXPECT_EQ(Run({"-what"}), kBanner + "Error: bad parameter: -what\n");
}

// The real executable with its own configuration files, run from another working directory.
class Executable : public e2e::ExecutableTest {
 protected:
  void SetUp() override {
    ExecutableTest::SetUp();
    Write("bin/colors.cfg", "sky=#87CEEB\n");
    Write("bin/morvane.cfg", "[defaults]\nanim_speed=50\n");
    // Files in the working directory are not the program's configuration.
    Write("morvane.cfg", "[defaults]\ntreshold=0\n");
    Write("colors.cfg", "sea=#0000FF\n");
  }
};

TEST_F(Executable, NoArgumentsPrintTheUsage) {
  EXPECT_EQ(Run({}), kBanner + kUsage);
}

TEST_F(Executable, ARunEchoesOptionsAndReportsEveryFile) {
  fs::create_directory(dir_ + "/sub");
  Write("list.txt", "a.spr\r\n\r\nsub::x\r\n");
  EXPECT_EQ(Run({"-l=0", "-bg=SKY", "-a", "missing.spr", "@list.txt::walk*", "@nolist.txt", "",
                 "-anim_speed=3"}),
            kBanner +
                "use_lzw=0\n"
                "bgcolor=SKY\n"
                "anim_speed=1\n"
                "Parsing 'missing'\tError: No such file or directory\n"
                "Parsing 'a'\tError: No such file or directory\n"
                "Parsing 'sub'\tError: Is a directory\n"
                "Error in list file 'nolist.txt': No such file or directory\n"
                "anim_speed=3\n"
                "0 file(s) processed\n"
                "3 error(s) encountered\n");
  // Input/output errors are not logged.
  EXPECT_FALSE(fs::exists(dir_ + "/bin/errors.log"));
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
}

TEST_F(Executable, BadParametersAndValuesEndTheRunWithoutSummary) {
  EXPECT_EQ(Run({"a.spr", "-zz=1", "b.spr"}),
            kBanner + "Parsing 'a'\tError: No such file or directory\n" +
                "Error: bad parameter: -zz=1\n");
  EXPECT_EQ(Run({"-bg=sea", "a.spr"}), kBanner + "bgcolor=sea\nbad bgColor value\n");
}

TEST_F(Executable, AnInvalidConfigurationEndsTheRunBeforeAnyArgument) {
  Write("bin/morvane.cfg", "[defaults]\nbgcolor=sky\ndithering=2\n");
  EXPECT_EQ(Run({"-d=0", "a.spr"}), kBanner + "bad dithering value. Must be 0 or 1\n");
}

}  // namespace
}  // namespace morvane
