// Faulty surroundings: output that cannot be written, an error log that cannot be written, a
// disk that fills, list files that are not files. Each is reported, the file counts as an error
// and the run goes on; no partial GIF and no temporary file is left behind.
#include <sys/stat.h>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

class Surroundings : public ExecutableTest {
 protected:
  void SetUp() override {
    ExecutableTest::SetUp();
    good_ = OneFrameSprite(6, 6).Bytes();
  }
  std::string good_;
};

// A regular file where the output directory would go, and a directory where the GIF would go:
// both fail the same way, whoever runs the program.
TEST_F(Surroundings, OutputThatCannotBeCreatedFailsOnlyItsFile) {
  Write("sprites/blocked.spr", good_);
  Write("sprites/blocked", "a file where the output directory would go");
  Write("sprites/taken.spr", good_);
  fs::create_directories(Path("sprites/taken/walk.gif/inside"));
  Write("sprites/good.spr", good_);
  Write("list.txt", "sprites/blocked.spr\nsprites/taken.spr\nsprites/good.spr\n");

  EXPECT_EQ(Run({"@list.txt"}), kBanner + ParsedOne("blocked") +
                                    "\tError: Cannot create file sprites/blocked/walk.gif\n" +
                                    ParsedOne("taken") +
                                    "\tError: Cannot create file sprites/taken/walk.gif\n" +
                                    ParsedOk("good") + Summary(1, 2, 2));
  EXPECT_NE(ErrorLog().find("Error: (internal) Cannot create file sprites/taken/walk.gif in file "
                            "taken\n"),
            std::string::npos);
  // Nothing but what was there: no temporary file is left beside the GIF's name.
  EXPECT_EQ(ListDirectory(Path("sprites/taken")), std::vector<std::string>{"walk.gif"});
  EXPECT_EQ(ListDirectory(Path("sprites/taken/walk.gif")), std::vector<std::string>{"inside"});
  EXPECT_EQ(ListDirectory(Path("sprites/good")), std::vector<std::string>{"walk.gif"});
}

TEST_F(Surroundings, ReadOnlyDirectoriesFailOnlyTheirFile) {
  if (PermissionsIgnored()) {
    GTEST_SKIP() << "this user writes into read-only directories (root does); the output "
                    "paths that cannot be created are tested without permissions above";
  }
  // The working directory, where "./a" would be made, and an output directory of its own.
  Write("work/a.spr", good_);
  Write("work/b.spr", good_);
  Write("c.spr", good_);
  fs::create_directory(Path("b"));
  fs::permissions(Path("b"), fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(Path("work"), fs::perms::owner_read | fs::perms::owner_exec);

  EXPECT_EQ(Run({"a.spr", "../c.spr"}, "work"),
            kBanner + ParsedOne("a") + "\tError: Cannot create file ./a/walk.gif\n" +
                ParsedOne("c") + "\tError: Cannot create file ./c/walk.gif\n" + Summary(0, 2, 2));
  EXPECT_EQ(Run({"work/b.spr", "c.spr"}), kBanner + ParsedOne("b") +
                                              "\tError: Cannot create file ./b/walk.gif\n" +
                                              ParsedOk("c") + Summary(1, 1, 1));
  EXPECT_EQ(ListDirectory(Path("b")), std::vector<std::string>{});
  EXPECT_EQ(ListDirectory(Path("c")), std::vector<std::string>{"walk.gif"});
}

// The error log beside the program cannot be written: the conversion goes on and the last line
// says so.
TEST_F(Surroundings, AnErrorLogThatCannotBeWrittenIsReportedLast) {
  Write("bad.spr", WrongVersion(good_));
  Write("good.spr", good_);
  const std::string expected =
      kBanner + "Parsing 'bad'\tError parsing sprite file. See Error Log for detail.\n" +
      ParsedOk("good") + Summary(1, 1, 1) + "WARNING: could not write the Error Log " +
      fs::canonical(Path("bin")).string() + "/errors.log\n";

  // A directory under the log's name refuses the log whoever runs the program.
  fs::create_directory(Path("bin/errors.log"));
  EXPECT_EQ(Run({"bad.spr", "good.spr"}), expected);
  EXPECT_EQ(ListDirectory(Path("good")), std::vector<std::string>{"walk.gif"});
  fs::remove(Path("bin/errors.log"));

  if (PermissionsIgnored()) {
    GTEST_SKIP() << "this user writes into read-only directories (root does); the log is "
                    "refused by a directory in its place above";
  }
  fs::permissions(Path("bin"), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(Run({"bad.spr", "good.spr"}), expected);
  EXPECT_FALSE(fs::exists(Path("bin/errors.log")));
}

// The log cannot go beside the program: its block goes to the user's state directory, exactly
// as it would have been written beside the program, and the warning names the file.
TEST_F(Surroundings, AnErrorLogRefusedBesideTheProgramGoesToTheStateDirectory) {
  Write("bad.spr", "not a sprite");
  Write("good.spr", good_);
  const auto expected = [&](const std::string& log) {
    return kBanner + "Parsing 'bad'\tError parsing sprite file. See Error Log for detail.\n" +
           ParsedOk("good") + Summary(1, 1) + "WARNING: 1 record(s) in the Error Log " + log +
           ".\nPlease send errors.log file to morvane-bugs@example.org as soon as possible.\n";
  };
  // The block as it lands beside the program when it can.
  Run({"bad.spr", "good.spr"});
  const std::string beside = MaskLogTimes(ErrorLog());
  fs::remove(ErrorLogPath());

  fs::create_directory(ErrorLogPath());
  environment_ = {"XDG_STATE_HOME=" + Path("state"), "HOME=" + Path("home")};
  EXPECT_EQ(Run({"bad.spr", "good.spr"}), expected(Path("state/morvane/errors.log")));
  EXPECT_EQ(MaskLogTimes(Read("state/morvane/errors.log")), beside);
  EXPECT_EQ(fs::status(Path("state/morvane")).permissions(), fs::perms::owner_all);

  // A relative XDG_STATE_HOME is not used; the home directory is.
  environment_ = {"XDG_STATE_HOME=state", "HOME=" + Path("home")};
  EXPECT_EQ(Run({"bad.spr", "good.spr"}), expected(Path("home/.local/state/morvane/errors.log")));
  EXPECT_EQ(MaskLogTimes(Read("home/.local/state/morvane/errors.log")), beside);
  // The run went on in the working directory, whose state/ the first run made: untouched.
  EXPECT_EQ(MaskLogTimes(Read("state/morvane/errors.log")), beside);
}

// The disk fills while a GIF is written: the writes fail, nothing is left under the GIF's name
// or a temporary name, and the files after it convert as usual.
TEST_F(Surroundings, ADiskThatFillsWhileAGifIsWrittenLeavesNoPartialFile) {
  constexpr std::int64_t kRoom = 16 * 1024;
  Write("small.spr", good_);
  Write("big.spr", OneFrameSprite(200, 200, true).Bytes());
  Write("small2.spr", good_);

  const RunResult run = RunMeasured({"small.spr", "big.spr", "small2.spr"}, "", kRoom);
  EXPECT_EQ(run.output, kBanner + ParsedOk("small") + ParsedOne("big") +
                            "\tError: File too large\n" + ParsedOk("small2") + Summary(2, 1, 1));
  EXPECT_NE(ErrorLog().find("Error: (internal) File too large in file big\n"), std::string::npos);
  EXPECT_EQ(ListDirectory(Path("big")), std::vector<std::string>{});
  EXPECT_EQ(ListDirectory(Path("small2")), std::vector<std::string>{"walk.gif"});
  // Without the limit the same GIF is larger than the room there was.
  Run({"big.spr"});
  EXPECT_GT(fs::file_size(Path("big/walk.gif")), static_cast<std::uintmax_t>(kRoom));
}

// List files that are not readable files are reported and not counted; a file a list names
// that is gone by the time it is read is an input/output error of that file, like a missing
// file on the command line. Such errors are counted but not logged: no log, no warning.
TEST_F(Surroundings, ListFilesThatAreNotFilesAreReportedAndSkipped) {
  fs::create_directory(Path("lists"));
  Write("good.spr", good_);
  Write("gone.spr", good_);
  Write("list.txt", "gone.spr\ngood.spr\n");
  fs::remove(Path("gone.spr"));

  EXPECT_EQ(Run({"@lists", "@missing.txt", "@list.txt", "missing.spr"}),
            kBanner + "Error in list file 'lists': Is a directory\n" +
                "Error in list file 'missing.txt': No such file or directory\n" +
                "Parsing 'gone'\tError: No such file or directory\n" + ParsedOk("good") +
                "Parsing 'missing'\tError: No such file or directory\n" + Summary(1, 2));
  EXPECT_FALSE(fs::exists(Path("gone")));
  EXPECT_FALSE(fs::exists(Path("missing")));
  EXPECT_FALSE(fs::exists(ErrorLogPath()));
}

}  // namespace
}  // namespace morvane::e2e
