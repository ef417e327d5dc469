// The whole way: sprites converted by the real converter, the page built by the real preview
// program, opened in headless Chromium. The browser must decode every good GIF, see every
// broken one and every failed folder marked, and draw a page that is not blank.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>

#include "preview/preview_support.h"
#include "sample/sample.h"
#include "sprwriter/sprwriter.h"

namespace morvane::preview {
namespace {

namespace fs = std::filesystem;
using testing::ListDirectory;
using testing::Outcome;
using testing::PageView;
using testing::ReadText;

constexpr const char* kNoBrowser =
    "headless Chromium is not installed (Debian package 'chromium', installed by "
    "scripts/setup.sh); the page was built but not opened";

class BrowserTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    chromium_ = testing::FindChromium();
    // The converter beside its own error log, away from the build tree.
    fs::create_directory(dir_ + "/bin");
    fs::copy_file(MORVANE_CONVERTER, dir_ + "/bin/morvane");
  }

  Outcome Convert(const std::vector<std::string>& arguments) {
    return testing::Run(dir_ + "/bin/morvane", dir_, arguments);
  }
  Outcome Preview(const std::vector<std::string>& arguments) {
    return testing::Run(MORVANE_PREVIEW, dir_, arguments);
  }
  // Replaces a GIF by its first half, as a copy cut short would leave it.
  void CutShort(const std::string& gif) {
    const std::string bytes = ReadText(dir_ + "/" + gif);
    Write(gif, bytes.substr(0, bytes.size() / 2));
  }
  // The URL of every GIF in the folders (their names need no encoding here).
  std::set<std::string> GifsIn(const std::vector<std::string>& folders) {
    std::set<std::string> gifs;
    for (const std::string& folder : folders) {
      for (const std::string& name : ListDirectory(dir_ + "/" + folder)) {
        if (name.ends_with(".gif")) gifs.insert(folder + "/" + name);
      }
    }
    return gifs;
  }

  std::string chromium_;
};

TEST_F(BrowserTest, TheSamplesPageShowsEveryGifAndMarksTheBrokenOne) {
  const std::string sample = std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr";
  ASSERT_EQ(Convert({sample}).status, 0);
  ASSERT_EQ(ListDirectory(dir_ + "/hero").size(), 11u);
  std::set<std::string> good = GifsIn({"hero"});
  Write("hero/jump.gif", ReadText(dir_ + "/hero/walk_N.gif"));
  CutShort("hero/jump.gif");
  fs::create_directory(dir_ + "/ghost");  // the folder of a sprite that failed

  const Outcome built = Preview({"-o", "page.html", "hero", "ghost"});
  ASSERT_EQ(built.status, 0) << built.output;
  if (chromium_.empty()) GTEST_SKIP() << kNoBrowser;

  const PageView view = testing::OpenPage(chromium_, dir_ + "/page.html", dir_ + "/profile");
  EXPECT_EQ(view.decoded, good);
  EXPECT_EQ(view.undecoded, std::set<std::string>{});
  EXPECT_EQ(view.broken, std::set<std::string>{"hero/jump.gif"});
  EXPECT_EQ(view.failed_folders, std::set<std::string>{"ghost"});

  // The filter box matches sequence names and folder names, ignoring case.
  EXPECT_EQ(testing::OpenPage(chromium_, dir_ + "/page.html", dir_ + "/profile", "WAL").shown_cards,
            std::set<std::string>{"hero/walk"});
  EXPECT_EQ(testing::OpenPage(chromium_, dir_ + "/page.html", dir_ + "/profile", "hero")
                .shown_cards.size(),
            5u);

  testing::Screenshot(chromium_, dir_ + "/page.html", dir_ + "/profile", dir_ + "/page.png");
  const testing::Picture picture = testing::ReadPng(dir_ + "/page.png");
  ASSERT_EQ(picture.width, 1400);
  ASSERT_EQ(picture.height, 1000);
  std::map<std::uint32_t, std::size_t> colours;
  std::size_t reds = 0;
  for (const std::uint32_t pixel : picture.pixels) {
    ++colours[pixel];
    const int r = pixel >> 16, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
    if (r > 200 && g < 130 && b < 130) ++reds;
  }
  std::size_t background = 0;
  for (const auto& [colour, count] : colours) background = std::max(background, count);
  // Cards, text and sprites: many colours, and far from one colour everywhere.
  EXPECT_GT(colours.size(), 100u);
  EXPECT_LT(background, picture.pixels.size() * 9 / 10);
  EXPECT_GT(reds, 100u) << "the broken GIF and the failed folder are drawn in red";
}

// One of three kinds of sprite: the sample (eight directions and single ones), the demo sprite
// (four and eight directions), and the demo sprite with five numbered directions.
sprwriter::Sprite BatchSprite(int i) {
  if (i % 3 == 0) return sample::HeroSprite();
  sprwriter::Sprite sprite = sprwriter::DemoSprite();
  if (i % 3 == 2) {
    const sprwriter::Collection& eight = sprite.collections.at(1);
    sprwriter::Collection five = eight;
    five.direction_count = 5;
    five.boxes.clear();
    five.images.sub_images.clear();
    for (std::int32_t f = 0; f < eight.frame_count; ++f) {
      for (std::int32_t d = 0; d < 5; ++d) {
        five.SetBox(f, d, eight.boxes.at(static_cast<std::size_t>(f * eight.direction_count + d)));
      }
    }
    for (const auto& [key, zar] : eight.images.sub_images) {
      if (key.direction < 5) five.images.sub_images[key] = zar;
    }
    sprite.collections[1] = five;
  }
  return sprite;
}

TEST_F(BrowserTest, ABatchOf200SpritesFromAListFile) {
  std::string list;
  std::vector<std::string> folders;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "sprites/g" + std::to_string(i % 4) + "/s" + std::to_string(i);
    fs::create_directories(dir_ + "/" + name);  // the folder of the sprite's GIFs too
    sprwriter::WriteSpriteFile(dir_ + "/" + name + ".spr", BatchSprite(i));
    list += name + ".spr" + (i % 2 == 0 ? "\r\n" : "\n");
    folders.push_back(name);
  }
  // A sprite that is gone and one that is not a sprite: no folder, and a folder without GIFs.
  Write("sprites/bad.spr", "not a sprite");
  list += "sprites/missing.spr\nsprites/bad.spr\n";
  Write("all.lst", list);
  ASSERT_EQ(Convert({"@all.lst"}).status, 0);

  const std::vector<std::string> planted = {
      "sprites/g0/s0/walk_N.gif", "sprites/g1/s77/stand_NE.gif", "sprites/g2/s150/spin_03.gif"};
  for (const std::string& gif : planted) CutShort(gif);
  Write("sprites/g3/s199/walk_SW.gif", "GIF89a but nothing more");
  std::set<std::string> good = GifsIn(folders);
  std::set<std::string> broken(planted.begin(), planted.end());
  broken.insert("sprites/g3/s199/walk_SW.gif");
  for (const std::string& gif : broken) good.erase(gif);
  ASSERT_GT(good.size(), 2500u);

  const auto start = std::chrono::steady_clock::now();
  const Outcome built = Preview({"-o", "batch.html", "@all.lst"});
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  ASSERT_EQ(built.status, 0) << built.output;
  // Reported, not judged: timing belongs to measurements, not to test outcomes.
  std::cout << "page of " << good.size() + broken.size() << " GIFs in 202 folders built in "
            << took.count() << " ms\n";
  EXPECT_NE(built.output.find("4 broken GIFs, 2 folders without GIFs"), std::string::npos)
      << built.output;
  if (chromium_.empty()) GTEST_SKIP() << kNoBrowser;

  const PageView view = testing::OpenPage(chromium_, dir_ + "/batch.html", dir_ + "/profile");
  EXPECT_EQ(view.decoded.size(), good.size());
  EXPECT_EQ(view.decoded, good);
  EXPECT_EQ(view.undecoded, std::set<std::string>{});
  EXPECT_EQ(view.broken, broken);
  EXPECT_EQ(view.failed_folders, (std::set<std::string>{"missing", "bad"}));
}

}  // namespace
}  // namespace morvane::preview
