// Hostile names and files that are not files: what the console and the log show, where the GIFs
// go, and that the rest of the run goes on.
#include <sys/stat.h>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

class HostileNames : public ExecutableTest {
 protected:
  const std::string good_ = OneFrameSprite(2, 2).Bytes();
};

// Control bytes in names from files reach neither the terminal nor the log as they are: they
// show as "?", with the padding of the name as stored; the GIF is named as stored.
TEST_F(HostileNames, ControlBytesInNamesShowAsQuestionMarks) {
  const std::string red = "esc\x1b[31mred";
  const std::string forged = "a\nb\x7f";
  Write("e\x1b[2Jx.spr", OneFrameSprite(2, 2, false, {red, forged}).Bytes());
  Write("list\x07.lst", "missing\x01.spr\n");
  EXPECT_EQ(Run({"e\x1b[2Jx.spr", "@list\x07.lst"}),
            kBanner +
                "Parsing 'e?[2Jx'\t2 sequence(s), 1 image collection(s)\n"
                "\tesc?[31mred          Ok \ta?b?                 Ok \n\n"
                "Parsing 'missing?'\tError: No such file or directory\n" +
                Summary(1, 1));
  EXPECT_TRUE(fs::exists(Path("e\x1b[2Jx/" + red + ".gif")));
  EXPECT_TRUE(fs::exists(Path("e\x1b[2Jx/" + forged + ".gif")));

  // A list file that cannot be read shows its name masked too.
  EXPECT_EQ(Run({"@no\x1b.lst"}),
            kBanner + "Error in list file 'no?.lst': No such file or directory\n" + Summary(0));
}

// Base names made of dots get a folder of their own inside the working folder; the console shows
// the base name as it is.
TEST_F(HostileNames, DotNamesGetAFolderInsideTheWorkingFolder) {
  for (const std::string base : {"...", "..", "."}) Write("work/" + base + "spr", good_);
  const std::string output = Run({"...spr", "..spr", ".spr"}, "work");
  EXPECT_EQ(output, kBanner + ParsedOk("..") + ParsedOk(".") + ParsedOk("") + Summary(3));
  for (const std::string folder : {"_..", "_.", "_"})
    EXPECT_EQ(ListDirectory(Path("work/" + folder)), std::vector<std::string>{"walk.gif"})
        << folder;
  EXPECT_FALSE(fs::exists(Path("walk.gif")));
  EXPECT_FALSE(fs::exists(Path("work/walk.gif")));
}

// A sequence name longer than a file name may be is cut to fit; the sequences after it and the
// next file still convert.
TEST_F(HostileNames, ALongSequenceNameIsCutToFit) {
  const std::string long_name(300, 'n');
  Write("long.spr", OneFrameSprite(2, 2, false, {long_name, "after"}).Bytes());
  Write("next.spr", good_);
  EXPECT_EQ(Run({"long.spr", "next.spr"}),
            kBanner + "Parsing 'long'\t2 sequence(s), 1 image collection(s)\n\t" + long_name +
                " Ok \tafter                Ok \n\n" + ParsedOk("next") + Summary(2));
  EXPECT_EQ(ListDirectory(Path("long")),
            (std::vector<std::string>{"after.gif", std::string(251, 'n') + ".gif"}));
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
}

// A FIFO nobody writes is refused at once instead of blocking the run; list files still read
// from pipes.
TEST_F(HostileNames, AFifoSpriteFailsAndTheRunGoesOn) {
  ASSERT_EQ(mkfifo(Path("pipe.spr").c_str(), 0600), 0);
  Write("next.spr", good_);
  EXPECT_EQ(Run({"pipe.spr", "/dev/null", "next.spr"}),
            kBanner + "Parsing 'pipe'\tError: Not a regular file\n" +
                "Parsing 'null'\tError: Not a regular file\n" + ParsedOk("next") + Summary(1, 2));
  EXPECT_EQ(ListDirectory(Path("pipe")), std::vector<std::string>{});
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
}

}  // namespace
}  // namespace morvane::e2e
