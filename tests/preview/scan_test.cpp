// Which GIFs make a sequence, in which order its directions are laid out, and which folders a
// list file's sprites went to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/errors.h"
#include "preview/preview.h"
#include "preview/preview_support.h"

namespace morvane::preview {
namespace {

namespace fs = std::filesystem;
using testing::TempDirTest;

// Each sequence as "name:set:direction,direction,...".
std::vector<std::string> Describe(const std::vector<Sequence>& sequences) {
  std::vector<std::string> lines;
  for (const Sequence& sequence : sequences) {
    static constexpr const char* kSets[] = {"single", "four", "eight", "numbered"};
    std::string line = sequence.name + ":" + kSets[static_cast<int>(sequence.set)] + ":";
    for (const DirectionGif& gif : sequence.gifs) {
      line +=
          (line.back() == ':' ? "" : ",") + (gif.direction.empty() ? gif.file_name : gif.direction);
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Gifs(const std::string& sequence,
                              const std::vector<std::string>& directions) {
  std::vector<std::string> names;
  for (const std::string& direction : directions)
    names.push_back(sequence + "_" + direction + ".gif");
  return names;
}

TEST(GroupSequences, CompassSetsInCompassOrderAndSinglesWhole) {
  std::vector<std::string> names = Gifs("walk", {"W", "SW", "S", "SE", "E", "NE", "N", "NW"});
  const std::vector<std::string> four = Gifs("turn", {"SW", "SE", "NE", "NW"});
  names.insert(names.end(), four.begin(), four.end());
  names.push_back("idle.gif");
  EXPECT_EQ(Describe(GroupSequences(names)),
            (std::vector<std::string>{"idle:single:idle.gif", "turn:four:NW,NE,SW,SE",
                                      "walk:eight:NW,N,NE,W,E,SW,S,SE"}));
}

TEST(GroupSequences, NumberedDirectionsInNumberOrder) {
  // Two hex digits at least, upper case; 0x10 sorts after 0x0A however the names sort.
  EXPECT_EQ(Describe(GroupSequences(Gifs("spin", {"10", "0A", "09", "00", "100"}))),
            (std::vector<std::string>{"spin:numbered:00,09,0A,10,100"}));
}

TEST(GroupSequences, SuffixAloneInItsSetBelongsToTheName) {
  // A one-direction sequence may end in what looks like a suffix; only a second GIF of the
  // same set makes it a direction. Compass and numbered suffixes are different sets.
  EXPECT_EQ(Describe(GroupSequences({"door_N.gif", "door_00.gif", "gate_NW.gif"})),
            (std::vector<std::string>{"door_00:single:door_00.gif", "door_N:single:door_N.gif",
                                      "gate_NW:single:gate_NW.gif"}));
}

TEST(GroupSequences, OnlySuffixesTheConverterWritesAreDirections) {
  // One digit, lower case, a leading zero beyond two digits, a lower-case compass name.
  const std::vector<std::string> names = {"a_0.gif",   "a_1.gif",   "b_0a.gif", "b_0b.gif",
                                          "c_001.gif", "c_002.gif", "d_nw.gif", "d_ne.gif"};
  for (const Sequence& sequence : GroupSequences(names)) {
    EXPECT_EQ(sequence.set, DirectionSet::kSingle) << sequence.name;
  }
}

TEST(GroupSequences, SplitsAtTheLastUnderscore) {
  EXPECT_EQ(Describe(GroupSequences({"walk_left_NW.gif", "walk_left_SE.gif", "_N.gif", "_S.gif"})),
            (std::vector<std::string>{":eight:N,S", "walk_left:four:NW,SE"}));
}

TEST(GroupSequences, OneNameInSeveralSetsGivesOneSequenceEach) {
  // Sequences may share a name; each set stays a sequence of its own.
  std::vector<std::string> names = Gifs("walk", {"N", "S", "00", "01"});
  names.push_back("walk.gif");
  EXPECT_EQ(
      Describe(GroupSequences(names)),
      (std::vector<std::string>{"walk:single:walk.gif", "walk:eight:N,S", "walk:numbered:00,01"}));
}

TEST(GroupSequences, LeavesOutOtherFilesAndSortsNamesIgnoringCase) {
  EXPECT_EQ(Describe(GroupSequences({"Walk.gif", "notes.txt", "idle.GIF", "errors.log",
                                     "attack.gif", ".gif", "idle.gif.tmp"})),
            (std::vector<std::string>{":single:.gif", "attack:single:attack.gif",
                                      "Walk:single:Walk.gif"}));
}

std::vector<std::string> Cells(const GridLayout& layout) {
  std::vector<std::string> cells;
  for (const DirectionGif* gif : layout.cells) cells.push_back(gif ? gif->direction : "-");
  return cells;
}

TEST(LayOut, EightDirectionsAsACompassWithTheCentreEmpty) {
  const std::vector<Sequence> full =
      GroupSequences(Gifs("w", {"S", "N", "E", "W", "SE", "SW", "NE", "NW"}));
  const GridLayout layout = LayOut(full.front());
  EXPECT_EQ(layout.columns, 3);
  EXPECT_EQ(Cells(layout),
            (std::vector<std::string>{"NW", "N", "NE", "W", "-", "E", "SW", "S", "SE"}));

  // Directions the folder lacks keep their places.
  const std::vector<Sequence> part = GroupSequences(Gifs("w", {"S", "N"}));
  EXPECT_EQ(Cells(LayOut(part.front())),
            (std::vector<std::string>{"-", "N", "-", "-", "-", "-", "-", "S", "-"}));
}

TEST(LayOut, FourDirectionsAsTwoByTwoAndOthersInRows) {
  const std::vector<Sequence> four = GroupSequences(Gifs("w", {"SE", "SW", "NE"}));
  EXPECT_EQ(LayOut(four.front()).columns, 2);
  EXPECT_EQ(Cells(LayOut(four.front())), (std::vector<std::string>{"-", "NE", "SW", "SE"}));

  const std::vector<Sequence> five = GroupSequences(Gifs("w", {"04", "03", "02", "01", "00"}));
  EXPECT_EQ(LayOut(five.front()).columns, 5);
  EXPECT_EQ(Cells(LayOut(five.front())), (std::vector<std::string>{"00", "01", "02", "03", "04"}));

  // Many numbered directions wrap instead of making one very wide row.
  std::vector<std::string> many;
  for (int i = 10; i < 30; ++i) many.push_back(std::to_string(i));
  EXPECT_EQ(LayOut(GroupSequences(Gifs("w", many)).front()).columns, 8);

  EXPECT_EQ(LayOut(GroupSequences({"idle.gif"}).front()).columns, 1);
}

TEST(ListedFolder, TheConvertersPlaceBesideTheSprite) {
  EXPECT_EQ(ListedFolder("sprites/hero.spr"), "sprites/hero");
  EXPECT_EQ(ListedFolder("hero.spr"), "hero");
  EXPECT_EQ(ListedFolder("../up/a.b.spr"), "../up/a.b");
  EXPECT_EQ(ListedFolder("/abs/dir.x/noext"), "/abs/dir.x/noext");
  // The pattern after the first "::" does not move the folder.
  EXPECT_EQ(ListedFolder("sprites/hero.spr::walk*"), "sprites/hero");
  EXPECT_EQ(ListedFolder("x.spr::a::b"), "x");
}

TEST(ListedFolder, DotNamesGetAFolderOfTheirOwn) {
  EXPECT_EQ(ListedFolder("dir/.spr"), "dir/_");
  EXPECT_EQ(ListedFolder("..spr"), "_.");
  EXPECT_EQ(ListedFolder("dir/...spr"), "dir/_..");
  EXPECT_EQ(ListedFolder("dir/"), "dir/_");
  EXPECT_EQ(ListedFolder(".hidden.spr"), ".hidden");
}

class ListedFoldersTest : public TempDirTest {};

TEST_F(ListedFoldersTest, ReadsLinesEndingInLfOrCrLfAndSkipsEmptyOnes) {
  const std::string list = Write("all.lst", "a/one.spr\r\n\r\nb/two.spr::walk*\n\nthree.spr");
  EXPECT_EQ(ListedFolders(list), (std::vector<std::string>{"a/one", "b/two", "three"}));
}

TEST_F(ListedFoldersTest, AMissingListRaisesTheSystemsText) {
  try {
    ListedFolders(dir_ + "/missing.lst");
    FAIL() << "no error";
  } catch (const IoError& error) {
    EXPECT_EQ(error.Message(), "No such file or directory");
  }
}

class ScanFolderTest : public TempDirTest {};

TEST_F(ScanFolderTest, FoldersThatShowNothingSayWhy) {
  EXPECT_EQ(ScanFolder(dir_ + "/missing").problem,
            "Folder not found: the sprite was not converted");
  EXPECT_EQ(ScanFolder(Write("file", "x")).problem, "Not a folder");
  Write("empty/notes.txt", "no GIFs here");
  const SpriteFolder empty = ScanFolder(dir_ + "/empty");
  EXPECT_EQ(empty.problem, "No GIFs: the sprite's conversion failed");
  EXPECT_TRUE(empty.sequences.empty());
}

TEST_F(ScanFolderTest, ReadsFactsOfEveryGifAndNeverOpensOtherThanFiles) {
  Write("hero/walk_N.gif", testing::GifBytes(7, 5).Frame().End());
  Write("hero/walk_S.gif", testing::GifBytes(7, 5).Frame().Frame().End());
  fs::create_directory(dir_ + "/hero/idle.gif");
  // A FIFO would block a plain open for ever.
  ASSERT_EQ(::mkfifo((dir_ + "/hero/wave.gif").c_str(), 0666), 0);

  const SpriteFolder folder = ScanFolder(dir_ + "/hero/");
  EXPECT_EQ(folder.problem, "");
  ASSERT_EQ(
      Describe(folder.sequences),
      (std::vector<std::string>{"idle:single:idle.gif", "walk:eight:N,S", "wave:single:wave.gif"}));
  EXPECT_EQ(folder.sequences[0].gifs[0].facts.error, "Not a regular file");
  EXPECT_EQ(folder.sequences[1].gifs[1].facts.frame_count, 2);
  EXPECT_EQ(folder.sequences[2].gifs[0].facts.error, "Not a regular file");
}

}  // namespace
}  // namespace morvane::preview
