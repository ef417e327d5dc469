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

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(GroupSequences, SetsOfDirectionsAndSingles) {
  struct Case {
    std::vector<std::string> names;
    std::vector<std::string> sequences;
  };
  const Case cases[] = {
      // Compass sets in compass order, singles whole.
      {Join(Join(Gifs("walk", {"W", "SW", "S", "SE", "E", "NE", "N", "NW"}),
                 Gifs("turn", {"SW", "SE", "NE", "NW"})),
            {"idle.gif"}),
       {"idle:single:idle.gif", "turn:four:NW,NE,SW,SE", "walk:eight:NW,N,NE,W,E,SW,S,SE"}},
      // Two hex digits at least, upper case; 0x10 sorts after 0x0A however the names sort.
      {Gifs("spin", {"10", "0A", "09", "00", "100"}), {"spin:numbered:00,09,0A,10,100"}},
      // A one-direction sequence may end in what looks like a suffix; only a second GIF of the
      // same set makes it a direction. Compass and numbered suffixes are different sets.
      {{"door_N.gif", "door_00.gif", "gate_NW.gif"},
       {"door_00:single:door_00.gif", "door_N:single:door_N.gif", "gate_NW:single:gate_NW.gif"}},
      // Only suffixes the converter writes are directions: not one digit, lower case, a
      // leading zero beyond two digits, a lower-case compass name.
      {{"a_0.gif", "a_1.gif", "b_0a.gif", "b_0b.gif", "c_001.gif", "c_002.gif", "d_nw.gif",
        "d_ne.gif"},
       {"a_0:single:a_0.gif", "a_1:single:a_1.gif", "b_0a:single:b_0a.gif", "b_0b:single:b_0b.gif",
        "c_001:single:c_001.gif", "c_002:single:c_002.gif", "d_ne:single:d_ne.gif",
        "d_nw:single:d_nw.gif"}},
      // The name ends at the last underscore.
      {{"walk_left_NW.gif", "walk_left_SE.gif", "_N.gif", "_S.gif"},
       {":eight:N,S", "walk_left:four:NW,SE"}},
      // Sequences may share a name; each set stays a sequence of its own.
      {Join(Gifs("walk", {"N", "S", "00", "01"}), {"walk.gif"}),
       {"walk:single:walk.gif", "walk:eight:N,S", "walk:numbered:00,01"}},
      // Other files are left out; names sort ignoring case.
      {{"Walk.gif", "notes.txt", "idle.GIF", "errors.log", "attack.gif", ".gif", "idle.gif.tmp"},
       {":single:.gif", "attack:single:attack.gif", "Walk:single:Walk.gif"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(GroupSequences(c.names)), c.sequences);
}

std::vector<std::string> Cells(const GridLayout& layout) {
  std::vector<std::string> cells;
  for (const DirectionGif* gif : layout.cells) cells.push_back(gif ? gif->direction : "-");
  return cells;
}

// Eight directions as a compass with the centre empty, four as two by two, others in rows that
// wrap instead of making one very wide row; directions the folder lacks keep their places.
TEST(LayOut, CompassSetsInTheirPlacesAndOthersInRows) {
  std::vector<std::string> many;
  for (int i = 10; i < 30; ++i) many.push_back(std::to_string(i));
  struct Case {
    std::vector<std::string> names;
    int columns;
    std::vector<std::string> cells;  // none: not compared
  };
  const Case cases[] = {
      {Gifs("w", {"S", "N", "E", "W", "SE", "SW", "NE", "NW"}),
       3,
       {"NW", "N", "NE", "W", "-", "E", "SW", "S", "SE"}},
      {Gifs("w", {"S", "N"}), 3, {"-", "N", "-", "-", "-", "-", "-", "S", "-"}},
      {Gifs("w", {"SE", "SW", "NE"}), 2, {"-", "NE", "SW", "SE"}},
      {Gifs("w", {"04", "03", "02", "01", "00"}), 5, {"00", "01", "02", "03", "04"}},
      {Gifs("w", many), 8, {}},
      {{"idle.gif"}, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.front());
    const std::vector<Sequence> sequences = GroupSequences(c.names);  // the cells point in
    const GridLayout layout = LayOut(sequences.front());
    EXPECT_EQ(layout.columns, c.columns);
    if (!c.cells.empty()) {
      EXPECT_EQ(Cells(layout), c.cells);
    }
  }
}

// The converter's place beside the sprite; the pattern after the first "::" does not move it,
// and names made of dots get a folder of their own.
TEST(ListedFolder, TheConvertersPlaceBesideTheSprite) {
  const std::pair<const char*, const char*> cases[] = {{"sprites/hero.spr", "sprites/hero"},
                                                       {"hero.spr", "hero"},
                                                       {"../up/a.b.spr", "../up/a.b"},
                                                       {"/abs/dir.x/noext", "/abs/dir.x/noext"},
                                                       {"sprites/hero.spr::walk*", "sprites/hero"},
                                                       {"x.spr::a::b", "x"},
                                                       {"dir/.spr", "dir/_"},
                                                       {"..spr", "_."},
                                                       {"dir/...spr", "dir/_.."},
                                                       {"dir/", "dir/_"},
                                                       {".hidden.spr", ".hidden"}};
  for (const auto& [spec, folder] : cases) EXPECT_EQ(ListedFolder(spec), folder) << spec;
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
