// What the converter prints, which files it writes where, and what it logs, for whole runs of
// the real executable.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

class Console : public ExecutableTest {};

// Sequences are converted collection by collection, two to a line, names padded to 20
// characters; a sequence of no collection prints nothing, and a file ends its last line.
TEST_F(Console, SequencesAreListedTwoToALineInCollectionOrder) {
  TestSprite order = OneFrameSprite(2, 2, false, {});
  order.anims.push_back(order.anims[0]);
  order.AddSequence("second", {0}, 1);
  order.AddSequence("ghost", {0}, 7);
  order.AddSequence("exactly_twenty_chars", {0}, 0);
  order.AddSequence("a_name_longer_than_twenty", {0}, 0);
  order.AddSequence("first", {0}, 0);
  Write("order.spr", order.Bytes());
  Write("none.spr", TestSprite{}.Bytes());
  Write("odd.spr", OneFrameSprite(2, 2, false, {"solo"}).Bytes());

  EXPECT_EQ(Run({"order.spr", "none.spr", "odd.spr"}),
            kBanner +
                "Parsing 'order'\t5 sequence(s), 2 image collection(s)\n"
                "\texactly_twenty_chars Ok \ta_name_longer_than_twenty Ok \n"
                "\tfirst                Ok \tsecond               Ok \n"
                "\n"
                "Parsing 'none'\t0 sequence(s), 0 image collection(s)\n"
                "\n"
                "Parsing 'odd'\t1 sequence(s), 1 image collection(s)\n"
                "\tsolo                 Ok \n"
                "3 file(s) processed\n");
  EXPECT_EQ(ListDirectory(dir_ + "/order"),
            (std::vector<std::string>{"a_name_longer_than_twenty.gif", "exactly_twenty_chars.gif",
                                      "first.gif", "second.gif"}));
  EXPECT_TRUE(fs::is_directory(dir_ + "/none"));
  EXPECT_TRUE(ListDirectory(dir_ + "/none").empty());
  EXPECT_EQ(ListDirectory(dir_ + "/odd"), std::vector<std::string>{"solo.gif"});
  EXPECT_FALSE(fs::exists(ErrorLogPath()));
}

// Patterns after "::" choose the sequences; the GIFs of a file named on the command line go
// into the working directory, those of a file named in a list beside the file. Sequence names
// become file names with "/" and "\" replaced, so nothing is written outside.
TEST_F(Console, PatternsChooseSequencesAndSpecsChooseDirectories) {
  const std::string hero =
      OneFrameSprite(2, 2, false, {"walk", "Walk_fast", "stand", "", "a/b", "c\\d"}).Bytes();
  Write("sprites/hero.spr", hero);
  Write("sprites/copy.spr", hero);
  // A line with its own pattern keeps it; an empty line is skipped.
  Write("list.txt", "sprites/hero.spr\n\nsprites/copy.spr::\n");

  const std::string skipped = " skipped";
  const std::string ok = " Ok ";
  const auto line = [](const std::string& name, const std::string& a, const std::string& other,
                       const std::string& b) {
    return "\t" + name + std::string(20 - name.size(), ' ') + a + "\t" + other +
           std::string(20 - other.size(), ' ') + b + "\n";
  };
  const std::string header = "\t6 sequence(s), 1 image collection(s)\n";
  EXPECT_EQ(Run({"sprites/hero.spr::w*", "@list.txt::*A*", "sprites/copy.spr"}),
            kBanner + "Parsing 'hero'" + header + line("walk", ok, "Walk_fast", ok) +
                line("stand", skipped, "", skipped) + line("a/b", skipped, "c\\d", skipped) + "\n" +
                "Parsing 'hero'" + header + line("walk", ok, "Walk_fast", ok) +
                line("stand", ok, "", skipped) + line("a/b", ok, "c\\d", skipped) + "\n" +
                "Parsing 'copy'" + header + line("walk", skipped, "Walk_fast", skipped) +
                line("stand", skipped, "", ok) + line("a/b", skipped, "c\\d", skipped) + "\n" +
                "Parsing 'copy'" + header + line("walk", ok, "Walk_fast", ok) +
                line("stand", ok, "", ok) + line("a/b", ok, "c\\d", ok) + "\n" +
                "4 file(s) processed\n");

  EXPECT_EQ(ListDirectory(dir_ + "/hero"), (std::vector<std::string>{"Walk_fast.gif", "walk.gif"}));
  EXPECT_EQ(ListDirectory(dir_ + "/sprites/hero"),
            (std::vector<std::string>{"Walk_fast.gif", "a_b.gif", "stand.gif", "walk.gif"}));
  EXPECT_EQ(ListDirectory(dir_ + "/sprites/copy"), std::vector<std::string>{".gif"});
  EXPECT_EQ(ListDirectory(dir_ + "/copy"),
            (std::vector<std::string>{".gif", "Walk_fast.gif", "a_b.gif", "c_d.gif", "stand.gif",
                                      "walk.gif"}));
  EXPECT_EQ(ListDirectory(dir_),
            (std::vector<std::string>{"bin", "copy", "hero", "list.txt", "sprites"}));
  EXPECT_EQ(ListDirectory(dir_ + "/sprites"),
            (std::vector<std::string>{"copy", "copy.spr", "hero", "hero.spr"}));
  const testing::DecodedGif gif = testing::DecodeGifFile(dir_ + "/copy/a_b.gif");
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_TRUE(FrameShows(gif, 0, Canvas(2, 2, kOneFrameColour)));
}

// Every kind of failure: a parse error (logged), a missing or cut-short file (not logged), a
// canvas too large for a GIF and a GIF that cannot be created (logged as internal errors), a
// parse error after some sequences were written. Each ends its own file only.
TEST_F(Console, FailuresEndOnlyTheirFileAndAreCountedAndLogged) {
  const std::string good = OneFrameSprite(2, 2).Bytes();
  Write("good.spr", good);
  Write("bad.spr", WrongVersion(good));
  Write("short.spr", good.substr(0, 20));
  Write("blocked.spr", good);
  Write("blocked", "a file where the output directory would go");

  TestSprite wide = OneFrameSprite(2, 2);
  wide.anims[0].SetBox(0, 0, {0, 0, 70000, 2});
  Write("wide.spr", wide.Bytes());
  // Each box fits in a GIF, but not both together.
  TestSprite apart = OneFrameSprite(2, 2);
  apart.anims[0].frames = 2;
  apart.anims[0].SetBox(0, 0, {-40000, 0, 1, 2});
  apart.anims[0].SetBox(1, 0, {0, 0, 40000, 2});
  apart.sequences[0].frames = {0, 1};
  Write("apart.spr", apart.Bytes());

  // The second collection's image data has no tag: its sequence is not reached.
  TestSprite late = OneFrameSprite(2, 2, false, {"first"});
  late.anims.push_back(late.anims[0]);
  late.AddSequence("later", {0}, 1);
  sprwriter::Sprite broken = late.ToSprite();
  broken.collections[1].images.tag = sprwriter::Bytes(16, 0);
  sprwriter::Layout layout;
  const sprwriter::Bytes late_bytes = sprwriter::WriteSprite(broken, &layout);
  Write("late.spr", std::string(late_bytes.begin(), late_bytes.end()));
  char position[9];
  std::snprintf(position, sizeof position, "%08X",
                static_cast<unsigned>(layout.image_sets[1] + 16));

  const std::string too_large = "\tError: Image too large for GIF\n";
  EXPECT_EQ(
      Run({"bad.spr", "missing.spr", "good.spr", "wide.spr", "short.spr", "late.spr", "apart.spr",
           "blocked.spr"}),
      kBanner + "Parsing 'bad'\tError parsing sprite file. See Error Log for detail.\n" +
          "Parsing 'missing'\tError: No such file or directory\n" +
          "Parsing 'good'\t1 sequence(s), 1 image collection(s)\n" +
          "\twalk                 Ok \n" +
          "Parsing 'wide'\t1 sequence(s), 1 image collection(s)\n" + "\twalk                " +
          too_large + "Parsing 'short'\tError: Read beyond end of file\n" +
          "Parsing 'late'\t2 sequence(s), 2 image collection(s)\n" +
          "\tfirst                Ok \tError parsing sprite file. See Error Log for detail.\n" +
          "Parsing 'apart'\t1 sequence(s), 1 image collection(s)\n" + "\twalk                " +
          too_large + "Parsing 'blocked'\t1 sequence(s), 1 image collection(s)\n" +
          "\twalk                \tError: Cannot create file ./blocked/walk.gif\n" +
          "1 file(s) processed\n" + "7 error(s) encountered\n" + ErrorLogWarning(5));

  const std::string log = ErrorLog();
  EXPECT_TRUE(
      std::regex_search(log, std::regex("^Morvane 2\\.0 beta \\(09\\.04\\.2001\\) Error Log, "
                                        "started on [^\n]+ at [^\n]+\n")))
      << log;
  const std::string block =
      "Morvane 2.0 beta (09.04.2001) Error Log, started <time>\n"
      "Error: not a <sprite> file in file bad\n"
      "Error: (internal) Image too large for GIF in file wide\n"
      "Error: <spranim_img> tag not found. Filepos=" +
      std::string(position) +
      " in file late\n"
      "Error: (internal) Image too large for GIF in file apart\n"
      "Error: (internal) Cannot create file ./blocked/walk.gif in file blocked\n"
      "5 errors\n"
      "Error Log, closed <time>\n"
      "\n";
  EXPECT_EQ(MaskLogTimes(log), block);

  EXPECT_EQ(ListDirectory(dir_ + "/good"), std::vector<std::string>{"walk.gif"});
  EXPECT_EQ(ListDirectory(dir_ + "/late"), std::vector<std::string>{"first.gif"});
  EXPECT_TRUE(ListDirectory(dir_ + "/wide").empty());
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));

  // A later run with errors appends its own block.
  EXPECT_EQ(Run({"bad.spr"}),
            kBanner + "Parsing 'bad'\tError parsing sprite file. See Error Log for detail.\n" +
                "0 file(s) processed\n1 error(s) encountered\n" + ErrorLogWarning(1));
  EXPECT_EQ(MaskLogTimes(ErrorLog()),
            block +
                "Morvane 2.0 beta (09.04.2001) Error Log, started <time>\n"
                "Error: not a <sprite> file in file bad\n"
                "1 errors\n"
                "Error Log, closed <time>\n"
                "\n");
}

}  // namespace
}  // namespace morvane::e2e
