#include "app/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "platform/fs.h"
#include "support/temp_dir.h"
#include "support/text_console.h"

namespace morvane {
namespace {

using e2e::kBanner;
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

const std::string kHelpOptions =
    "  -b   -use_binary_transparency  0        1: every pixel is drawn fully or not at all, by "
    "the threshold, and the background colour is transparent in the GIFs; 0: pixels are blended "
    "with the background\n"
    "  -l   -use_lzw                  1        1: LZW-compressed GIF frames; 0: run-length coded "
    "frames\n"
    "  -t   -treshold                 128      alpha threshold for binary transparency, 1 to 256: "
    "a pixel whose alpha is at least the threshold is drawn\n"
    "  -bg  -bgColor                  #000000  background colour of every frame: #RRGGBB, #RGB "
    "or a name from colors.cfg\n"
    "  -a   -anim_speed               100      time of one frame in milliseconds, 1 to 655350; "
    "the default 100 and any value outside that range write no delay\n"
    "  -s   -static_anims             0        1: every frame is placed at the top left of the "
    "GIF, ignoring the frame positions in the sprite\n"
    "  -d   -dithering                1        1: dither while reducing frames to 256 colours; "
    "0: take the nearest colour\n"
#if MORVANE_HAVE_WEBP
    "  -f   -output_formats           gif      what each sequence is written as, a comma-separated "
    "list of: gif (a GIF per direction), png (an RGBA PNG per frame), webp (an animated WebP per "
    "direction), sheet (a sprite sheet and its JSON atlas)\n";
#else
    "  -f   -output_formats           gif      what each sequence is written as, a comma-separated "
    "list of: gif (a GIF per direction), png (an RGBA PNG per frame), sheet (a sprite sheet and "
    "its JSON atlas)\n";
#endif
const std::string kHelpFiles =
    "Files, in the directory of the program (its real path, not a link to it):\n"
    "  morvane.cfg  read first: the defaults of the options, in its section [defaults]\n"
    "  colors.cfg   read at start: the colour names -bg accepts\n"
    "  errors.log   appended to: why files could not be parsed or converted; where it cannot be "
    "written, $XDG_STATE_HOME/morvane/errors.log (XDG_STATE_HOME an absolute path), else "
    "$HOME/.local/state/morvane/errors.log\n"
    "Environment:\n"
    "  MORVANE_THREADS  the number of worker threads that convert files; by default one per CPU "
    "the process may use\n";

// The entry called in this process with a run context of its own: console text kept in memory,
// the error log and the configuration file in a temporary directory.
class Entry : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    NewRun();
  }
  void NewRun() { context_ = std::make_unique<RunContext>(console_, Path("errors.log")); }
  std::string Run(const std::vector<std::string>& arguments) {
    EXPECT_EQ(RunMorvane(*context_, arguments, Path("morvane.cfg")), 0);
    return console_.Take();
  }

  testing::TextConsole console_;
  std::unique_ptr<RunContext> context_;
};

TEST_F(Entry, NoArgumentsPrintTheUsageAndRegisterNothing) {
  Write("morvane.cfg", "[defaults]\ntreshold=0\n");
  EXPECT_EQ(Run({}), kBanner + kUsage);
  EXPECT_TRUE(context_->parameters.Values().Entries().empty());
  EXPECT_TRUE(context_->parameters.Aliases().Entries().empty());
}

// Help and version: only as the first argument, and without reading the configuration (whose
// bad value would otherwise end the run) or registering any option.
TEST_F(Entry, HelpAndVersionFirstEndTheRunAtOnce) {
  Write("morvane.cfg", "[defaults]\ntreshold=0\n");
  EXPECT_EQ(Run({"--help", "-zz", Path("a.spr")}),
            kBanner + kUsage + "\n" + kHelpOptions + "\n" + kHelpFiles);
  EXPECT_EQ(Run({"--version", "--help"}), kBanner);
  EXPECT_TRUE(context_->parameters.Values().Entries().empty());
  EXPECT_TRUE(context_->parameters.Aliases().Entries().empty());
  EXPECT_EQ(context_->counters.error_count, 0);
}

// Anywhere else, and in any other spelling, they are options like any other: unknown ones.
TEST_F(Entry, HelpAndVersionElsewhereAreBadParameters) {
  EXPECT_EQ(Run({"-help"}), kBanner + "Error: bad parameter: -help\n");
  NewRun();
  EXPECT_EQ(Run({"--HELP"}), kBanner + "Error: bad parameter: --HELP\n");
  NewRun();
  EXPECT_EQ(Run({"-s", "--help"}), kBanner + "static_anims=1\nError: bad parameter: --help\n");
  NewRun();
  EXPECT_EQ(Run({Path("a.spr"), "--version"}),
            kBanner + "Parsing 'a'\tError: No such file or directory\n" +
                "Error: bad parameter: --version\n");
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
  EXPECT_EQ(context_->counters.error_count, 3);
  EXPECT_EQ(context_->counters.files_processed, 0);
}

TEST_F(Entry, AnEarlyEndPrintsNoSummary) {
  EXPECT_EQ(Run({"-b=2", dir_ + "/a.spr"}),
            kBanner + "use_binary_transparency=2\n" +
                "bad use_binary_transparency value. Must be 0 or 1\n");
  NewRun();
  EXPECT_EQ(Run({"-what"}), kBanner + "Error: bad parameter: -what\n");
}

// Progress shows before slow work: the file's name before it is parsed, the counts before the
// collections are loaded, each sequence's name before its GIFs are written. Parse errors and
// internal errors reach the run's error log.
TEST_F(Entry, ProgressIsFlushedBeforeTheWorkItAnnounces) {
  Write("good.spr", e2e::OneFrameSprite(2, 2).Bytes());
  Write("bad.spr", "not a sprite file at all");
  Write("list.txt", Path("good.spr") + "\n" + Path("bad.spr") + "\n");
  EXPECT_EQ(RunMorvane(*context_, {"@" + Path("list.txt") + "::w*"}, Path("none.cfg")), 0);
  ASSERT_EQ(console_.FlushedPieces(),
            (std::vector<std::string>{kBanner + "Parsing 'good'", "\t1 sequence(s), ",
                                      "1 image collection(s)\n\twalk                ", " Ok ", "\n",
                                      "Parsing 'bad'",
                                      "\tError parsing sprite file. See Error Log for detail.\n",
                                      "1 file(s) processed\n1 error(s) encountered\n", ""}));
  console_.Take();
  context_->error_log.Close(console_);
  EXPECT_EQ(console_.Take(), e2e::ErrorLogWarning(1));
  EXPECT_NE(Read("errors.log").find(" in file bad\n1 errors\n"), std::string::npos);
}

// Threads change nothing a run writes: the console text with every flush point, the log's
// records and every file in the tree, for a batch with files that fail, files that write the same
// GIFs (the later one wins), options between files and a list file.
TEST_F(Entry, EveryThreadCountWritesTheSameRun) {
  const std::string noisy = e2e::OneFrameSprite(120, 90, true).Bytes();
  const std::string small = e2e::OneFrameSprite(3, 2).Bytes();
  const auto tree = [&](const std::string& root) {
    Write(root + "/a/big.spr", noisy);
    Write(root + "/b/big.spr", small);  // writes the GIF a/big.spr wrote
    Write(root + "/small.spr", small);
    Write(root + "/cut.spr", noisy.substr(0, noisy.size() / 2));
    Write(root + "/list.txt", "small.spr\nmissing.spr\ncut.spr\n");
  };
  // Every entry the run made, with the bytes of the files.
  const auto written = [](const std::string& root) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const std::string name = fs::relative(entry.path(), root).string();
      if (name.ends_with(".spr") || name == "list.txt" || name == "errors.log") continue;
      std::string& bytes = contents[name];
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    return contents;
  };
  const auto names = [](const std::map<std::string, std::string>& contents) {
    std::string list;
    for (const auto& [name, bytes] : contents)
      list += name + " (" + std::to_string(bytes.size()) + ") ";
    return list;
  };
  std::optional<std::vector<std::string>> first_console;
  std::optional<std::vector<std::string>> first_records;
  std::map<std::string, std::string> first_files;
  for (const int threads : {1, 2, 3, 8}) {
    const std::string root = "run" + std::to_string(threads);
    tree(root);
    console_.Take();
    context_ = std::make_unique<RunContext>(console_, Path(root + "/errors.log"));
    context_->worker_threads = threads;
    const std::string r = Path(root);
    // Files named on the command line write into the working directory.
    const fs::path old_directory = fs::current_path();
    fs::current_path(r);
    EXPECT_EQ(RunMorvane(*context_,
                         {"a/big.spr", "-d=0", "cut.spr", "small.spr", "-b", "a/big.spr::w*",
                          "@list.txt", "b/big.spr"},
                         Path("none.cfg")),
              0);
    fs::current_path(old_directory);
    const std::vector<std::string> console = console_.FlushedPieces();
    context_->error_log.Close(console_);
    // The records without the block's opening and closing lines, which carry the time.
    std::vector<std::string> records;
    for (const std::string& line : ReadTextLines(r + "/errors.log"))
      if (line.find("Error Log, ") == std::string::npos) records.push_back(line);
    const std::map<std::string, std::string> files = written(r);
    if (!first_console) {
      first_console = console;
      first_records = records;
      first_files = files;
      EXPECT_EQ(records.size(), 4u);  // the cut file twice, the count and the block's end
      EXPECT_LT(files.at("big/walk.gif").size(), 100u) << names(files);  // the later one's
      continue;
    }
    EXPECT_EQ(console, *first_console) << threads;
    EXPECT_EQ(records, *first_records) << threads;
    EXPECT_TRUE(files == first_files) << threads << ": " << names(files);
  }
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

// The process ends with 0 and leaves the log alone, whatever follows.
TEST_F(Executable, HelpAndVersionExitCleanly) {
  Write("bad.spr", "not a sprite");
  EXPECT_EQ(Run({"--version", "bad.spr"}), kBanner);
  EXPECT_EQ(Run({"--help", "bad.spr"}).substr(0, kBanner.size() + kUsage.size()), kBanner + kUsage);
  EXPECT_FALSE(fs::exists(ErrorLogPath()));
  EXPECT_FALSE(fs::exists(Path("bad")));
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
