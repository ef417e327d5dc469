// The same runs with several worker-thread counts: every file of the tree, each GIF byte for
// byte, the whole console text and the error log (its dates aside) come out as one thread writes
// them, and no run leaves a temporary file. A run interrupted by a signal ends by it and leaves
// no temporary file at any thread count.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/shell_run.h"
#include "benchsprite/benchsprite.h"

namespace morvane::e2e {
namespace {

constexpr int kThreadCounts[] = {1, 2, 3, 8};

// One run of the program: its working directory in the tree and its arguments.
struct Step {
  std::string cwd;
  std::vector<std::string> arguments;
};

// What the steps left at one thread count.
struct Outcome {
  std::string console;  // per step: the command, everything it printed and how it ended
  std::string error_log;
  // Every file in the tree and beside the program by its relative path, with its bytes;
  // directories end in '/', and the program and its log are listed without their bytes.
  std::map<std::string, std::string> files;
};

std::string EndText(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

// The first line where two texts part, for a failure message.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string line_a, line_b;
  for (int line = 1;; ++line) {
    const bool more_a = static_cast<bool>(std::getline(a, line_a));
    const bool more_b = static_cast<bool>(std::getline(b, line_b));
    if (!more_a && !more_b) return "texts differ in their last line ending";
    if (!more_a || !more_b || line_a != line_b) {
      return "line " + std::to_string(line) + ": expected \"" + (more_a ? line_a : "<end>") +
             "\", got \"" + (more_b ? line_b : "<end>") + "\"";
    }
  }
}

::testing::AssertionResult SameOutcome(const Outcome& expected, const Outcome& actual) {
  std::string problems;
  if (expected.console != actual.console) {
    problems += "console: " + FirstDifference(expected.console, actual.console) + "\n";
  }
  if (expected.error_log != actual.error_log) {
    problems += "error log: " + FirstDifference(expected.error_log, actual.error_log) + "\n";
  }
  for (const auto& [name, bytes] : expected.files) {
    const auto found = actual.files.find(name);
    if (found == actual.files.end()) {
      problems += "missing: " + name + "\n";
    } else if (found->second != bytes) {
      problems += "differs: " + name + " (" + std::to_string(found->second.size()) +
                  " bytes, expected " + std::to_string(bytes.size()) + ")\n";
    }
  }
  for (const auto& entry : actual.files) {
    if (!expected.files.contains(entry.first)) problems += "unexpected: " + entry.first + "\n";
  }
  if (problems.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << problems;
}

std::size_t CountGifs(const Outcome& outcome, const std::string& prefix) {
  return static_cast<std::size_t>(
      std::count_if(outcome.files.begin(), outcome.files.end(), [&](const auto& entry) {
        return entry.first.starts_with(prefix) && entry.first.ends_with(".gif");
      }));
}

class ThreadCounts : public testing::TempDirTest {
 protected:
  // The inputs every run starts from, copied into each thread count's tree.
  void WriteInput(const std::string& name, const std::string& bytes) {
    Write("inputs/" + name, bytes);
  }
  void WriteSample(const std::string& name) {
    WriteInput(name, ReadText(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr"));
  }

  // Runs the steps one after another in a fresh copy of the inputs, with a program directory
  // of its own (the program and its configuration files, so its own error log).
  Outcome RunAt(int threads, const std::vector<Step>& steps) {
    const char* build = std::getenv("MORVANE_BINARY_DIR");
    EXPECT_NE(build, nullptr) << "MORVANE_BINARY_DIR names the build directory";
    if (build == nullptr) return {};
    const std::string root = Path("threads-" + std::to_string(threads));
    fs::create_directories(root + "/bin");
    for (const char* name : {"morvane", "morvane.cfg", "colors.cfg"}) {
      fs::copy_file(std::string(build) + "/src/app/" + name, root + "/bin/" + name);
    }
    fs::copy(Path("inputs"), root + "/tree", fs::copy_options::recursive);

    Outcome outcome;
    for (const Step& step : steps) {
      const std::string cwd = root + "/tree/" + step.cwd;
      fs::create_directories(cwd);
      const RunResult result = RunProgram(root + "/bin/morvane", step.arguments, cwd, 0,
                                          {"MORVANE_THREADS=" + std::to_string(threads)});
      outcome.console += "$ cd " + step.cwd + "; morvane";
      for (const std::string& argument : step.arguments) outcome.console += " " + argument;
      outcome.console += "\n" + result.output + EndText(result.status) + "\n";
    }
    outcome.error_log = MaskLogTimes(ReadText(root + "/bin/errors.log"));
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
      const std::string name = fs::relative(entry.path(), root).string();
      if (entry.is_directory()) {
        outcome.files[name + "/"] = "";
      } else {
        const bool compared_apart = name == "bin/morvane" || name == "bin/errors.log";
        outcome.files[name] = compared_apart ? "" : ReadText(entry.path().string());
      }
    }
    return outcome;
  }

  // Runs the steps at every thread count; each must leave what the single thread leaves, and
  // none a temporary file. Returns the single thread's outcome.
  Outcome ExpectSameAtEveryThreadCount(const std::vector<Step>& steps) {
    const Outcome single = RunAt(1, steps);
    for (const int threads : kThreadCounts) {
      const Outcome outcome = threads == 1 ? single : RunAt(threads, steps);
      for (const auto& entry : outcome.files) {
        EXPECT_FALSE(fs::path(entry.first).filename().string().starts_with(".morvane-"))
            << threads << " threads left " << entry.first;
      }
      if (threads != 1) {
        EXPECT_TRUE(SameOutcome(single, outcome)) << "with " << threads << " threads";
      }
    }
    return single;
  }
};

// The bundled sample with the options that change the bytes: dithering, run-length coded
// frames, binary transparency with a threshold, a frame time and static placement.
TEST_F(ThreadCounts, TheSampleComesOutTheSameWithEveryOptionSet) {
  WriteSample("hero.spr");
  const std::vector<std::vector<std::string>> option_sets = {
      {},
      {"-d=0"},
      {"-l=0"},
      {"-b=1", "-t=200", "-bg=#FFF"},
      {"-a=50", "-s=1", "-d=0"},
      {MORVANE_HAVE_WEBP ? "-f=gif,png,webp,sheet" : "-f=gif,png,sheet"}};
  std::vector<Step> steps;
  for (std::size_t i = 0; i < option_sets.size(); ++i) {
    Step step{"options-" + std::to_string(i), option_sets[i]};
    step.arguments.push_back("../hero.spr");
    steps.push_back(step);
  }
  const Outcome single = ExpectSameAtEveryThreadCount(steps);
  for (std::size_t i = 0; i < option_sets.size(); ++i) {
    EXPECT_EQ(CountGifs(single, "tree/options-" + std::to_string(i) + "/hero/"), 11u) << i;
  }
  EXPECT_NE(single.files.at("tree/options-0/hero/walk_N.gif"),
            single.files.at("tree/options-1/hero/walk_N.gif"));
}

// A batch on the command line: large sprites whose work overlaps, a sprite with several
// sequences in eight directions, two sprites of one base name in different folders and one file
// named twice (the later writes win), a file that fails to parse at once and one that fails
// after its first GIFs, a missing file, and options changing between files. A second run stops
// at a bad option value after two files; the file after it is not converted.
TEST_F(ThreadCounts, ABatchComesOutTheSame) {
  sprwriter::Sprite march = benchsprite::LargeSprite({5, 8, 96});
  sprwriter::Sequence back = march.sequences.at(0);
  back.name = "back";
  std::reverse(back.frames.begin(), back.frames.end());
  sprwriter::Sequence pose = march.sequences.at(0);
  pose.name = "pose";
  pose.frames = {0, 3, 3, 1};
  march.sequences.push_back(back);
  march.sequences.push_back(pose);
  WriteInput("big/march.spr", Bytes(march));
  WriteInput("big/wide.spr", Bytes(benchsprite::LargeSprite({2, 8, 192})));
  WriteInput("noise.spr", OneFrameSprite(400, 300, true).Bytes());
  const std::string demo = Bytes(sprwriter::DemoSprite());
  WriteInput("demo.spr", demo);
  WriteSample("a/hero.spr");
  WriteInput("b/hero.spr", demo);
  const std::string sample = ReadText(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr");
  WriteInput("cut.spr", sample.substr(0, 1000));
  WriteInput("late-cut.spr", sample.substr(0, sample.size() - 300));
  WriteInput("late.spr", OneFrameSprite(3, 2).Bytes());

  const Outcome single = ExpectSameAtEveryThreadCount(
      {{"all",
        {"-d=0", "../big/march.spr", "../noise.spr", "-d=1", "../big/wide.spr", "../a/hero.spr",
         "-l=0", "../cut.spr", "../b/hero.spr", "../missing.spr", "-l=1", "-b=1", "-t=200",
         "../noise.spr", "../demo.spr", "../late-cut.spr", "-a=50", "../big/march.spr::b*"}},
       {"stop", {"../big/wide.spr", "../demo.spr", "-t=0", "../late.spr"}}});

  // What the batch is meant to hold, so that the comparison is not between empty runs.
  EXPECT_EQ(CountGifs(single, "tree/all/march/"), 24u);
  EXPECT_GT(CountGifs(single, "tree/all/hero/"), 11u);  // both heroes' names
  EXPECT_GT(CountGifs(single, "tree/all/late-cut/"), 0u);
  EXPECT_TRUE(single.files.contains("tree/stop/demo/walk_NE.gif"));
  EXPECT_FALSE(single.files.contains("tree/stop/late/"));
  for (const char* line :
       {"\tError parsing sprite file. See Error Log for detail.\n",
        "Parsing 'missing'\tError: No such file or directory\n", "bad treshold value"}) {
    EXPECT_NE(single.console.find(line), std::string::npos) << line << "\n" << single.console;
  }
  EXPECT_NE(single.error_log.find("in file cut\n"), std::string::npos) << single.error_log;
  EXPECT_NE(single.error_log.find("in file late-cut\n"), std::string::npos) << single.error_log;
}

// A list file with good, broken and missing entries, an empty line, a line with a pattern of its
// own and a pattern from the command line for the others; then a list that cannot be read and a
// file after it.
TEST_F(ThreadCounts, AListFileComesOutTheSame) {
  WriteInput("big/march.spr", Bytes(benchsprite::LargeSprite({3, 8, 128})));
  WriteInput("noise.spr", OneFrameSprite(320, 240, true).Bytes());
  WriteInput("demo.spr", Bytes(sprwriter::DemoSprite()));
  WriteSample("a/hero.spr");
  WriteSample("b/hero.spr");
  WriteInput("cut.spr", ReadText(Path("inputs/a/hero.spr")).substr(0, 1000));
  WriteInput("sprites.lst",
             "../big/march.spr\n../demo.spr\n../cut.spr\n\n../nowhere.spr\n../a/hero.spr::w*\n"
             "../noise.spr\r\n../b/hero.spr\n../demo.spr::*\n");

  const Outcome single = ExpectSameAtEveryThreadCount(
      {{"run",
        {"-bg=#FFF", "-d=0", "@../sprites.lst::*a*", "@../absent.lst", "-l=0", "../demo.spr"}}});

  EXPECT_EQ(CountGifs(single, "tree/big/march/"), 8u);
  EXPECT_GT(CountGifs(single, "tree/a/hero/"), 0u);
  EXPECT_NE(single.console.find("Error in list file '../absent.lst'"), std::string::npos)
      << single.console;
  EXPECT_NE(single.console.find("Parsing 'nowhere'\tError: No such file or directory\n"),
            std::string::npos)
      << single.console;
  EXPECT_NE(single.error_log.find("in file cut\n"), std::string::npos) << single.error_log;
}

// A run interrupted while it converts, at several thread counts: it ends by the signal, with the
// log block closed, no summary and no temporary file anywhere; every GIF it did write is whole.
class InterruptedAtThreadCount : public ShellRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(InterruptedAtThreadCount, EndsByTheSignalWithoutTemporaryFiles) {
  environment_ = {"MORVANE_THREADS=" + std::to_string(GetParam())};
  const std::string good = OneFrameSprite(3, 2).Bytes();
  Write("bad.spr", std::string("<sprite>\0003\0", 11) + good.substr(11));
  Write("slow1.spr", OneFrameSprite(2500, 2500, true).Bytes());
  for (const char* name : {"slow2.spr", "slow3.spr"}) fs::copy_file(Path("slow1.spr"), Path(name));
  Write("next.spr", good);

  const std::string console = Interrupt("", "$M bad.spr slow1.spr slow2.spr slow3.spr next.spr",
                                        "Parsing 'slow1'", "INT", 130);
  EXPECT_TRUE(console.starts_with("Parsing 'slow1'")) << console;
  EXPECT_TRUE(console.ends_with(ErrorLogWarning(1))) << console;
  EXPECT_EQ(console.find("file(s) processed"), std::string::npos) << console;
  const std::string log = ErrorLog();
  EXPECT_NE(log.find("in file bad\n1 errors\nError Log, closed "), std::string::npos) << log;
  ExpectNoTemporaryFiles();
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_)) {
    if (entry.path().extension() != ".gif") continue;
    EXPECT_NO_THROW(testing::DecodeGifFile(entry.path().string())) << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Threads, InterruptedAtThreadCount, ::testing::Values(1, 2, 8));

}  // namespace
}  // namespace morvane::e2e
