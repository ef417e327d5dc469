// The run in hostile surroundings: a closed console, a file-size limit and ending signals. Each
// run goes through a shell, which sets the surroundings up as a user would.
#include <sys/wait.h>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "app/shell_run.h"

namespace morvane::e2e {
namespace {

class HostileSurroundings : public ShellRunTest {
 protected:
  // A sprite that fails to parse (one log record), a slow one and a quick one.
  void WriteBatch() {
    Write("bad.spr", WrongVersion(OneFrameSprite(3, 2).Bytes()));
    Write("slow.spr", OneFrameSprite(3000, 3000, true).Bytes());
    Write("next.spr", OneFrameSprite(3, 2).Bytes());
  }
};

// With the reader of the console gone after one line, every file is still converted.
TEST_F(HostileSurroundings, AClosedConsoleDoesNotEndTheRun) {
  for (int i = 0; i < 12; ++i)
    Write("f" + std::to_string(i) + ".spr", OneFrameSprite(4, 3).Bytes());
  const RunResult result = Shell("$M f*.spr | head -1; echo done");
  EXPECT_EQ(result.output, kBanner + "done\n");
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(fs::exists(Path("f" + std::to_string(i) + "/walk.gif")));
  ExpectNoTemporaryFiles();
}

// A GIF past the file-size limit fails with the system's text and leaves no temporary file; the
// next file, whose GIF fits, converts.
TEST_F(HostileSurroundings, AFileSizeLimitFailsOnlyTheGifPastIt) {
  Write("big.spr", OneFrameSprite(100, 100, true).Bytes());
  Write("small.spr", OneFrameSprite(2, 2).Bytes());
  const RunResult result = Shell("ulimit -f 2; $M big.spr small.spr");
  ASSERT_TRUE(WIFEXITED(result.status)) << result.status;
  EXPECT_EQ(result.output, kBanner + ParsedOne("big") + "\tError: File too large\n" +
                               ParsedOk("small") + Summary(1, 1, 1));
  EXPECT_EQ(ListDirectory(Path("big")), std::vector<std::string>{});
  EXPECT_TRUE(fs::exists(Path("small/walk.gif")));
  ExpectNoTemporaryFiles();
}

// A signal while a GIF is being made ends the run at once: no temporary file, no summary, the
// log block closed with its count, and the process ends by the signal. On one thread as on two,
// where the next file may be under way already, the tree is what one thread leaves.
class SignalDuringAGif : public HostileSurroundings, public ::testing::WithParamInterface<int> {};

TEST_P(SignalDuringAGif, EndsTheRunCleanly) {
  environment_ = {"MORVANE_THREADS=" + std::to_string(GetParam())};
  WriteBatch();
  // The signal follows the sequence's name, which is shown before its GIF is made (however
  // slowly the sprite was read), so the console shows each file's progress as it goes.
  EXPECT_EQ(Interrupt("", "$M bad.spr slow.spr next.spr", "walk", "INT", 130),
            "walk                " + ErrorLogWarning(1));
  EXPECT_NE(Read("out.txt").find(ParsedOne("slow")), std::string::npos) << Read("out.txt");
  const std::string log = ErrorLog();
  EXPECT_NE(log.find("in file bad\n1 errors\nError Log, closed "), std::string::npos) << log;
  EXPECT_EQ(log.find("slow"), std::string::npos) << log;
  EXPECT_EQ(ListDirectory(Path("slow")), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(Path("next")));
  ExpectNoTemporaryFiles();
}

INSTANTIATE_TEST_SUITE_P(Threads, SignalDuringAGif, ::testing::Values(1, 2));

// A signal while the run waits between files (here on a list file from a pipe nobody closes)
// ends it as cleanly, by that signal.
TEST_F(HostileSurroundings, ASignalBetweenFilesEndsTheRunCleanly) {
  WriteBatch();
  EXPECT_EQ(Interrupt("mkfifo list; sleep 30 > list & holder=$!; ", "$M bad.spr next.spr @list",
                      "Parsing 'next'", "TERM", 143, "kill $holder"),
            ParsedOk("next") + ErrorLogWarning(1));
  EXPECT_NE(ErrorLog().find("1 errors\nError Log, closed "), std::string::npos) << ErrorLog();
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
  ExpectNoTemporaryFiles();
}

// Whether this build runs under AddressSanitizer or ThreadSanitizer, whose shadow memory no
// small address-space limit leaves room for.
constexpr bool kUnderSanitizer =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// An endless list file ends at its bound in a process that may use only 256 MiB of address
// space, and the next argument still converts.
TEST_F(HostileSurroundings, AnEndlessListFileEndsAtItsBoundInLittleMemory) {
  if (kUnderSanitizer) GTEST_SKIP() << "sanitizers need more address space than the probe allows";
  Write("next.spr", OneFrameSprite(3, 2).Bytes());
  const RunResult result = Shell("ulimit -v 262144; $M @/dev/zero next.spr");
  EXPECT_EQ(result.output, kBanner + "Error in list file '/dev/zero': File too large\n" +
                               ParsedOk("next") + Summary(1));
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
}

}  // namespace
}  // namespace morvane::e2e
