// Many runs of one program at once share its error log: each run's block stands whole in it,
// also that of a run killed part way, and no run leaves a file behind.
#include <algorithm>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/shell_run.h"

namespace morvane::e2e {
namespace {

constexpr const char* kHeader = "Morvane 2.0 beta (09.04.2001) Error Log, started <time>\n";

// A sprite whose tag is wrong ("not a <sprite> file") and one that converts.
struct Sprites {
  std::string good = OneFrameSprite(48, 48, true).Bytes();
  std::string bad = std::string("<sprite>\0003\0", 11) + good.substr(11);
};

// The blocks of a log with its times masked, each from its header line to the next one.
std::vector<std::string> Blocks(const std::string& log) {
  std::vector<std::string> blocks;
  for (std::size_t at = log.find(kHeader); at != std::string::npos;) {
    const std::size_t next = log.find(kHeader, at + 1);
    blocks.push_back(log.substr(at, next - at));
    at = next;
  }
  return blocks;
}

// Runs started together: how many, and whether their log is refused beside the program (a
// directory stands in its place, which refuses it also to root) so that it goes to the state
// directory.
struct SharedLogCase {
  int runs;
  bool fallback;
};

class SharedLog : public ShellRunTest, public ::testing::WithParamInterface<SharedLogCase> {};

TEST_P(SharedLog, EveryRunsBlockStandsWhole) {
  constexpr int kRounds = 3;
  constexpr int kFiles = 40;  // every fourth one converts
  const auto [runs, fallback] = GetParam();
  const Sprites sprites;
  std::string log_path = ErrorLogPath();
  std::string warning_where;
  if (fallback) {
    fs::create_directory(ErrorLogPath());
    environment_ = {"XDG_STATE_HOME=" + dir_ + "/state"};
    log_path = Path("state/morvane/errors.log");
    warning_where = " " + log_path;
  }
  std::vector<std::string> expected;
  std::string start_all;
  for (int run = 0; run < runs; ++run) {
    const std::string tag = "run" + std::to_string(run) + "_";
    std::string list;
    std::string block = kHeader;
    for (int k = 0; k < kFiles; ++k) {
      const std::string name = tag + std::to_string(k);
      Write(name + ".spr", k % 4 == 3 ? sprites.good : sprites.bad);
      list += name + ".spr\n";
      if (k % 4 != 3) block += "Error: not a <sprite> file in file " + name + "\n";
    }
    constexpr int kRecords = kFiles - kFiles / 4;
    block += std::to_string(kRecords) + " errors\nError Log, closed <time>\n\n";
    expected.push_back(block);
    Write("list" + std::to_string(run), list);
    start_all += "$M @list" + std::to_string(run) + " > out" + std::to_string(run) + " & ";
  }
  std::sort(expected.begin(), expected.end());

  for (int round = 1; round <= kRounds; ++round) {
    const std::size_t before = ReadText(log_path).size();
    Shell(start_all + "wait");
    for (int run = 0; run < runs; ++run) {
      const std::string console = Read("out" + std::to_string(run));
      EXPECT_TRUE(console.ends_with("WARNING: 30 record(s) in the Error Log" + warning_where +
                                    ".\nPlease send errors.log file to "
                                    "morvane-bugs@example.org as soon as possible.\n"))
          << console;
    }
    std::vector<std::string> blocks = Blocks(MaskLogTimes(ReadText(log_path).substr(before)));
    std::sort(blocks.begin(), blocks.end());
    EXPECT_EQ(blocks, expected) << "round " << round;
  }
  // No journal stays behind.
  EXPECT_EQ(ListDirectory(Path("bin")), (std::vector<std::string>{"errors.log", "morvane"}));
  if (fallback) {
    EXPECT_EQ(ListDirectory(Path("state/morvane")), std::vector<std::string>{"errors.log"});
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, SharedLog,
                         ::testing::Values(SharedLogCase{2, false}, SharedLogCase{4, false},
                                           SharedLogCase{2, true}),
                         [](const ::testing::TestParamInfo<SharedLogCase>& info) {
                           return std::to_string(info.param.runs) + (info.param.fallback
                                                                         ? "InTheStateDirectory"
                                                                         : "BesideTheProgram");
                         });

// A run killed outright, here while it waits on a list file from a pipe, leaves what it had
// recorded; the next run that records appends it under the killed run's header, without the
// closing lines the killed run never wrote, and then its own block.
using KilledRun = ShellRunTest;

TEST_F(KilledRun, LosesNoRecord) {
  const Sprites sprites;
  std::string files;
  std::string killed_block = kHeader;
  for (int k = 0; k < 6; ++k) {
    const std::string name = "killed" + std::to_string(k);
    Write(name + ".spr", sprites.bad);
    files += name + ".spr ";
    killed_block += "Error: not a <sprite> file in file " + name + "\n";
  }
  Write("next.spr", sprites.bad);
  const std::string console =
      Interrupt("mkfifo list; sleep 30 > list & holder=$!; ", "$M " + files + "@list",
                "Parsing 'killed5'\tError parsing", "KILL", 137, "kill $holder; $M next.spr");
  // Every file before the pipe failed, and nothing came after.
  EXPECT_EQ(console, "Parsing 'killed5'\tError parsing sprite file. See Error Log for detail.\n");
  EXPECT_EQ(MaskLogTimes(ErrorLog()),
            killed_block + kHeader +
                "Error: not a <sprite> file in file next\n1 errors\nError Log, closed <time>\n\n");
  EXPECT_EQ(ListDirectory(Path("bin")), (std::vector<std::string>{"errors.log", "morvane"}));
}

}  // namespace
}  // namespace morvane::e2e
