// Hostile names and files that are not files: what the console and the log show, where the GIFs
// go, and that the rest of the run goes on.
#include <sys/stat.h>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

class HostileNames : public ExecutableTest {};

// A sprite with one collection of one frame, played by a sequence of each name.
TestSprite SpriteWithSequences(const std::vector<std::string>& names) {
  TestSprite sprite(2, 2);
  Anim anim("body", 1, 1);
  anim.palettes[0] = {Rgb(200, 40, 40)};
  anim.SetBox(0, 0, {0, 0, 2, 2});
  anim.SetLayer(0, 0, 0, Picture::Solid(0, 0, 2, 2, 0));
  sprite.anims.push_back(std::move(anim));
  for (const std::string& name : names) sprite.AddSequence(name, {0}, 0);
  return sprite;
}

// Control bytes in names from files reach neither the terminal nor the log as they are: they
// show as "?", with the padding of the name as stored; the GIF is named as stored.
TEST_F(HostileNames, ControlBytesInNamesShowAsQuestionMarks) {
  const std::string red = "esc\x1b[31mred";
  const std::string forged = "a\nb\x7f";
  Write("e\x1b[2Jx.spr", SpriteWithSequences({red, forged}).Bytes());
  Write("list\x07.lst", "missing\x01.spr\n");
  EXPECT_EQ(Run({"e\x1b[2Jx.spr", "@list\x07.lst"}),
            kBanner +
                "Parsing 'e?[2Jx'\t2 sequence(s), 1 image collection(s)\n"
                "\tesc?[31mred          Ok \ta?b?                 Ok \n\n"
                "Parsing 'missing?'\tError: No such file or directory\n"
                "1 file(s) processed\n"
                "1 error(s) encountered\n");
  EXPECT_TRUE(fs::exists(Path("e\x1b[2Jx/" + red + ".gif")));
  EXPECT_TRUE(fs::exists(Path("e\x1b[2Jx/" + forged + ".gif")));

  // A list file that cannot be read shows its name masked too.
  EXPECT_EQ(Run({"@no\x1b.lst"}), kBanner +
                                      "Error in list file 'no?.lst': No such file or directory\n"
                                      "0 file(s) processed\n");
}

// Base names made of dots get a folder of their own inside the working folder; the console shows
// the base name as it is.
TEST_F(HostileNames, DotNamesGetAFolderInsideTheWorkingFolder) {
  fs::create_directories(Path("work"));
  const std::string bytes = SpriteWithSequences({"walk"}).Bytes();
  Write("work/...spr", bytes);
  Write("work/..spr", bytes);
  Write("work/.spr", bytes);
  const std::string output = Run({"...spr", "..spr", ".spr"}, "work");
  EXPECT_NE(output.find("Parsing '..'\t1 sequence(s)"), std::string::npos) << output;
  EXPECT_NE(output.find("Parsing '.'\t1 sequence(s)"), std::string::npos) << output;
  EXPECT_NE(output.find("Parsing ''\t1 sequence(s)"), std::string::npos) << output;
  EXPECT_NE(output.find("3 file(s) processed"), std::string::npos) << output;
  EXPECT_TRUE(fs::exists(Path("work/_../walk.gif")));
  EXPECT_TRUE(fs::exists(Path("work/_./walk.gif")));
  EXPECT_TRUE(fs::exists(Path("work/_/walk.gif")));
  EXPECT_FALSE(fs::exists(Path("walk.gif")));
  EXPECT_FALSE(fs::exists(Path("work/walk.gif")));
}

// A sequence name longer than a file name may be is cut to fit; the sequences after it and the
// next file still convert.
TEST_F(HostileNames, ALongSequenceNameIsCutToFit) {
  const std::string long_name(300, 'n');
  Write("long.spr", SpriteWithSequences({long_name, "after"}).Bytes());
  Write("next.spr", SpriteWithSequences({"walk"}).Bytes());
  const std::string output = Run({"long.spr", "next.spr"});
  EXPECT_NE(output.find(long_name + " Ok "), std::string::npos) << output;
  EXPECT_NE(output.find("after                Ok "), std::string::npos) << output;
  EXPECT_NE(output.find("2 file(s) processed"), std::string::npos) << output;
  EXPECT_EQ(ListDirectory(Path("long")),
            (std::vector<std::string>{"after.gif", std::string(251, 'n') + ".gif"}));
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
}

// A FIFO nobody writes is refused at once instead of blocking the run; list files still read
// from pipes.
TEST_F(HostileNames, AFifoSpriteFailsAndTheRunGoesOn) {
  ASSERT_EQ(mkfifo(Path("pipe.spr").c_str(), 0600), 0);
  Write("next.spr", SpriteWithSequences({"walk"}).Bytes());
  EXPECT_EQ(Run({"pipe.spr", "/dev/null", "next.spr"}),
            kBanner +
                "Parsing 'pipe'\tError: Not a regular file\n"
                "Parsing 'null'\tError: Not a regular file\n"
                "Parsing 'next'\t1 sequence(s), 1 image collection(s)\n"
                "\twalk                 Ok \n"
                "1 file(s) processed\n"
                "2 error(s) encountered\n");
  EXPECT_EQ(ListDirectory(Path("pipe")), std::vector<std::string>{});
  EXPECT_TRUE(fs::exists(Path("next/walk.gif")));
}

}  // namespace
}  // namespace morvane::e2e
