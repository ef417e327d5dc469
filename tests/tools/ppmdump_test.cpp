// morvane-ppmdump run on the demo sprite: one PPM per frame of every GIF the converter would
// write, named by sequence, direction and frame, with the composited pixels.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "sprwriter/sprwriter.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class PpmDumpTest : public morvane::testing::TempDirTest {
 protected:
  // Runs the tool with arguments (single-quoted for the shell); returns its exit code.
  int Run(const std::string& arguments) {
    const std::string command = std::string("'") + MORVANE_PPMDUMP + "' " + arguments + " >'" +
                                dir_ + "/stdout' 2>'" + dir_ + "/stderr'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

TEST_F(PpmDumpTest, WritesEveryFrameOfEveryDirectionAsPpm) {
  morvane::sprwriter::WriteSpriteFile(dir_ + "/demo.spr", morvane::sprwriter::DemoSprite());
  ASSERT_EQ(Run("'" + dir_ + "/demo.spr' '" + dir_ + "/out' -d=0"), 0) << Read("stderr");
  EXPECT_EQ(Read("stdout"), "44 frame(s) written to " + dir_ + "/out\n");

  // walk: entries 0 1 2, a command (marker and three entries), 1; spin: 0 1, a negative entry,
  // 1. Commands and negative entries are not frames.
  std::set<std::string> expected;
  for (const char* d : {"NW", "NE", "SE", "SW"}) {
    for (int f = 0; f < 4; ++f)
      expected.insert("walk_" + std::string(d) + "_00" + char('0' + f) + ".ppm");
    expected.insert("stand_" + std::string(d) + "_000.ppm");
  }
  for (const char* d : {"NW", "N", "NE", "E", "SE", "S", "SW", "W"})
    for (int f = 0; f < 3; ++f)
      expected.insert("spin_" + std::string(d) + "_00" + char('0' + f) + ".ppm");
  EXPECT_EQ(Names(dir_ + "/out"), expected);

  // The canvas is the union of the walk boxes (-16,-24,16,8) and (-16,-26,16,6): 32 x 34.
  const std::string ppm = Read("out/walk_NW_000.ppm");
  const std::string header = "P6\n32 34\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 32 * 34 * 3);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  const auto pixel = [&](int x, int y) { return ppm.substr(header.size() + (y * 32 + x) * 3, 3); };
  EXPECT_EQ(pixel(31, 33), std::string(3, '\0'));  // no layer reaches the bottom right
  bool drawn = false;
  for (int y = 0; y < 34; ++y)
    for (int x = 0; x < 32; ++x) drawn = drawn || pixel(x, y) != std::string(3, '\0');
  EXPECT_TRUE(drawn);
}

TEST_F(PpmDumpTest, FailsOnBadInputAndBadUsage) {
  std::ofstream(dir_ + "/bad.spr") << "not a sprite";
  EXPECT_EQ(Run("'" + dir_ + "/bad.spr' '" + dir_ + "/out'"), 1);
  EXPECT_EQ(Read("stderr"), "morvane-ppmdump: " + dir_ +
                                "/bad.spr: not a valid sprite file: not a <sprite> file\n");
  EXPECT_EQ(Run("'" + dir_ + "/missing.spr' '" + dir_ + "/out'"), 1);
  EXPECT_EQ(Read("stderr"),
            "morvane-ppmdump: " + dir_ + "/missing.spr: No such file or directory\n");
  EXPECT_FALSE(fs::exists(dir_ + "/out"));

  EXPECT_EQ(Run("'" + dir_ + "/bad.spr'"), 2);
  EXPECT_EQ(Run("-x '" + dir_ + "/bad.spr' '" + dir_ + "/out'"), 2);
}

}  // namespace
