// The full-alpha outputs on the page: WebPs beside their GIFs, PNG frames counted with their
// direction (never sequences of their own), sheets as cards with the frame count of their atlas.
#include <gtest/gtest.h>

#include <sstream>

#include "preview/full_alpha_support.h"
#include "preview/preview.h"
#include "preview/preview_support.h"

namespace morvane::preview {
namespace {

namespace fs = std::filesystem;
using testing::GifBytes;

// Each sequence as "name:set:direction(outputs),...".
std::vector<std::string> Describe(const std::vector<Sequence>& sequences) {
  std::vector<std::string> lines;
  for (const Sequence& sequence : sequences) {
    static constexpr const char* kSets[] = {"single", "four", "eight", "numbered"};
    std::string line = sequence.name + ":" + kSets[static_cast<int>(sequence.set)] + ":";
    for (const DirectionGif& gif : sequence.gifs) {
      std::string outputs = gif.file_name.empty() ? "" : " gif";
      if (!gif.webp_file_name.empty()) outputs += " webp";
      if (gif.png_frame_count > 0) {
        outputs += " " + std::to_string(gif.png_frame_count) + " png" +
                   (gif.first_png_file_name.empty() ? "" : " from " + gif.first_png_file_name);
      }
      line += (line.back() == ':' ? "" : ",") + gif.direction + "(" + outputs.substr(1) + ")";
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(GroupSequences, FullAlphaOutputsJoinTheDirectionOfTheirStem) {
  const std::vector<std::string> names = {
      "walk_N.gif",       "walk_N.webp",      "walk_N_000.png", "walk_N_001.png", "walk_S.gif",
      "walk_S_001.png",                        // frame 0 missing: still counted with its GIF
      "walk.png",         "walk.json",         // the sheet
      "fly.webp",                              // a WebP without its GIF
      "idle_000.png",     "idle_001.png",      // PNG frames without GIF or WebP
      "spin_00_0000.png", "spin_01_0000.png",  // numbered directions' frames
      "run_000.png",      "run_000.json",      // a sheet whose name looks like a frame
      "logo.png",         "door_2024.png",    "x_01.png",       "walk_N_00a.png", "walk_N.PNG"};
  EXPECT_EQ(Describe(GroupSequences(names)),
            (std::vector<std::string>{
                "fly:single:(webp)", "idle:single:(2 png from idle_000.png)",
                "spin:numbered:00(1 png from spin_00_0000.png),01(1 png from spin_01_0000.png)",
                "walk:eight:N(gif webp 2 png from walk_N_000.png),S(gif 1 png)"}));
  std::vector<std::string> sheets;
  for (const Sheet& sheet : FindSheets(names)) sheets.push_back(sheet.name);
  EXPECT_EQ(sheets, (std::vector<std::string>{"run_000", "walk"}));
}

class FullAlphaTest : public testing::TempDirTest {};

TEST_F(FullAlphaTest, AtlasFactsAndWhyAnAtlasCannotBeRead) {
  const testing::AlphaSequence walk{"walk", {"walk_N", "walk_S"}, 6, 5, 3, 80};
  fs::create_directory(dir_ + "/real");
  testing::WriteSheet(dir_ + "/real", walk);
  const std::string real = Read("real/walk.json");
  const std::string deep = "{\"frames\": [" + std::string(40, '[') + std::string(40, ']') + "]}";
  struct Case {
    std::string text;
    std::int64_t frames, tags, cell_width, cell_height, width, height;
    std::string error;  // the start of the reason
  };
  const std::vector<Case> cases = {
      {real, 6, 2, 6, 5, 18, 10, ""},
      // Only the top level's "frames" and "meta" count.
      {R"({"x": {"frames": [1, 2, 3]}, "frames": [{"frame": {"w": 3, "h": 4}}, 7],
           "meta": {"frameTags": [{}, {}, {}], "size": {"w": 99, "h": 98}}})",
       2, 3, 3, 4, 99, 98, ""},
      {real.substr(0, real.size() / 2), 0, 0, 0, 0, 0, 0, "parse error at line"},
      {"", 0, 0, 0, 0, 0, 0, "parse error at line 1"},
      {R"({"frames": {"0": {}}})", 0, 0, 0, 0, 0, 0, "No \"frames\" array"},
      {R"([{"frames": [1]}])", 0, 0, 0, 0, 0, 0, "No \"frames\" array"},
      {R"({"frames": []})", 0, 0, 0, 0, 0, 0, "No frame in the atlas"},
      {deep, 0, 0, 0, 0, 0, 0, "Nested deeper than an atlas"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const AtlasFacts facts = ReadAtlasFacts(Write("case" + std::to_string(i) + ".json", c.text));
    EXPECT_EQ(facts.file_size, c.text.size()) << i;
    EXPECT_EQ(facts.error.substr(0, c.error.size()), c.error) << i << ": " << facts.error;
    EXPECT_EQ(facts.error.empty(), c.error.empty()) << i;
    if (!c.error.empty()) continue;
    EXPECT_EQ(std::vector<std::int64_t>({facts.frame_count, facts.tag_count, facts.cell_width,
                                         facts.cell_height, facts.width, facts.height}),
              std::vector<std::int64_t>(
                  {c.frames, c.tags, c.cell_width, c.cell_height, c.width, c.height}))
        << i;
  }
  fs::create_directory(dir_ + "/folder.json");
  EXPECT_EQ(ReadAtlasFacts(dir_ + "/folder.json").error, "Not a regular file");
}

// A folder as the converter leaves it with every format: two directions with GIFs, WebPs and
// PNG frames (one set cut short), the sheet; and a folder with a WebP alone.
class FullAlphaPageTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::create_directories(dir_ + "/hero");
    fs::create_directories(dir_ + "/bird");
    for (const std::string& stem : walk_.stems) {
      Write("hero/" + stem + ".gif", GifBytes(6, 5).Frame().Frame().Frame().End());
    }
    for (std::size_t d = 0; d < 2; ++d) {
      testing::WriteWebp(dir_ + "/hero", walk_, d);
      testing::WritePngFrames(dir_ + "/hero", walk_, d);
    }
    fs::remove(dir_ + "/hero/walk_S_002.png");
    testing::WriteSheet(dir_ + "/hero", walk_);
    testing::WriteWebp(dir_ + "/bird", {"fly", {"fly"}, 4, 4, 2, 100}, 0);
  }

  const testing::AlphaSequence walk_{"walk", {"walk_N", "walk_S"}, 6, 5, 3, 100};
};

TEST_F(FullAlphaPageTest, WebpsStandBesideTheirGifsAndSheetsHaveCardsOfTheirOwn) {
  const std::vector<SpriteFolder> folders = {ScanFolder(dir_ + "/hero"),
                                             ScanFolder(dir_ + "/bird")};
  const std::string page = BuildPage(folders, dir_ + "/p.html");
  const auto has = [&](const std::string& part) { return page.find(part) != std::string::npos; };

  EXPECT_TRUE(
      has("<div class=\"outputs\" style=\"grid-template-columns:repeat(2,auto)\">\n"
          "<figure class=\"gif\"><a class=\"frame\" href=\"hero/walk_N.gif\""));
  EXPECT_TRUE(
      has("<figure class=\"webp\"><a class=\"frame checker\" href=\"hero/walk_N.webp\" "
          "title=\"walk_N.webp\"><img src=\"hero/walk_N.webp\" alt=\"walk_N.webp\">"
          "</a><figcaption><b>WebP</b> "));
  EXPECT_TRUE(has("<a class=\"pngs\" href=\"hero/walk_N_000.png\">3 PNG frames</a>"));
  // A set of PNG frames that lacks one is marked, and so is its card.
  EXPECT_TRUE(has("<a class=\"pngs bad\" href=\"hero/walk_S_000.png\">2 of 3 PNG frames</a>"));
  EXPECT_TRUE(has("<article class=\"card bad\" data-name=\"walk\">"));
  EXPECT_FALSE(has("data-name=\"walk_N_000\"") || has("<img src=\"hero/walk_N_001.png\""));

  EXPECT_TRUE(
      has("<article class=\"card sheet\" data-name=\"walk\">\n<h3>walk</h3>\n"
          "<div class=\"facts\"><span>sheet</span><span>6 frames</span>"
          "<span>2 frame tags</span><span>cell 6\u00d75</span><span>18\u00d710</span>"));
  EXPECT_TRUE(has("<img src=\"hero/walk.png\" alt=\"walk.png\" width=\"18\" height=\"10\">"));
  EXPECT_TRUE(has("<a href=\"hero/walk.json\">walk.json</a>"));

  // A folder of full-alpha outputs alone is not a failed one.
  EXPECT_TRUE(has("<section class=\"folder\" data-name=\"bird\">"));
  EXPECT_TRUE(has("<figure class=\"webp\"><a class=\"frame checker\" href=\"bird/fly.webp\""));
  const PageSummary summary = Summarize(folders);
  EXPECT_EQ(std::vector<std::string>(summary.counts.begin(), summary.counts.end() - 1),
            (std::vector<std::string>{"2 folders", "2 sequences", "2 GIFs", "3 WebPs",
                                      "5 PNG frames", "1 sheet"}));
  EXPECT_TRUE(summary.problems.empty());

  Write("hero/walk.json", "{\"frames\": [");
  const std::string broken = BuildPage({ScanFolder(dir_ + "/hero")}, dir_ + "/p.html");
  EXPECT_NE(broken.find("<article class=\"card sheet bad\" data-name=\"walk\">"),
            std::string::npos);
  EXPECT_NE(broken.find("<span class=\"reason\">parse error at line 1, column 13"),
            std::string::npos);
  EXPECT_EQ(Summarize({ScanFolder(dir_ + "/hero")}).problems,
            std::vector<std::string>{"1 broken sheet"});
}

TEST_F(FullAlphaPageTest, TheBrowserShowsEveryWebpAndSheet) {
  const std::string chromium = testing::FindChromium();
  std::ostringstream out;
  ASSERT_EQ(RunPreview({"-o", dir_ + "/p.html", dir_ + "/hero", dir_ + "/bird"}, out, out), 0);
  if (chromium.empty()) GTEST_SKIP() << "headless Chromium is not installed";
  const testing::PageView view = testing::OpenPage(chromium, dir_ + "/p.html", dir_ + "/profile");
  EXPECT_EQ(view.decoded,
            (std::set<std::string>{"hero/walk_N.gif", "hero/walk_S.gif", "hero/walk_N.webp",
                                   "hero/walk_S.webp", "hero/walk.png", "bird/fly.webp"}));
  EXPECT_TRUE(view.undecoded.empty());
  EXPECT_TRUE(view.broken.empty());
}

}  // namespace
}  // namespace morvane::preview
