// The bundled sample, and a small copy of the measuring sprite (many colours, alpha edges over
// every pixel, frames in pairs and one left over), converted with each setting: the structure
// of every GIF checked with giflib, and the bytes of every GIF pinned by size and CRC-32, so
// that the fast paths of drawing, reduction and encoding cannot change a byte unnoticed.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <map>

#include "app/e2e_sprites.h"
#include "app/executable.h"
#include "benchsprite/benchsprite.h"

namespace morvane::e2e {
namespace {

using testing::DecodedGif;

struct Pinned {
  std::size_t size;
  std::uint32_t crc;
  friend bool operator==(const Pinned&, const Pinned&) = default;
};

// A run with one option or none: the height of every GIF when the option sets one, and the
// size and CRC-32 of each GIF written.
struct PinnedRun {
  std::string option;
  int height;
  std::map<std::string, Pinned> gifs;
};

const std::vector<PinnedRun> kSampleRuns = {
    {"",
     0,
     {{"idle.gif", {2002, 0x2EC7249D}},
      {"stand.gif", {638, 0xD5ACACA4}},
      {"walk_E.gif", {1928, 0x1E71150D}},
      {"walk_N.gif", {1848, 0x97670116}},
      {"walk_NE.gif", {1915, 0xFEC301A5}},
      {"walk_NW.gif", {1906, 0x4FB067AF}},
      {"walk_S.gif", {1967, 0xF43D695B}},
      {"walk_SE.gif", {2006, 0x4434E8F9}},
      {"walk_SW.gif", {2039, 0xC8EC22BA}},
      {"walk_W.gif", {1907, 0x136C9605}},
      {"wave.gif", {1710, 0x7FA7DBFD}}}},
    {"-b",
     0,
     {{"idle.gif", {1286, 0x4CDDB492}},
      {"stand.gif", {360, 0x10682EB1}},
      {"walk_E.gif", {1219, 0x0FA6885F}},
      {"walk_N.gif", {1186, 0x26257A14}},
      {"walk_NE.gif", {1173, 0x8CA0ED53}},
      {"walk_NW.gif", {1177, 0x815D49E1}},
      {"walk_S.gif", {1253, 0x24D7A756}},
      {"walk_SE.gif", {1255, 0xD987311F}},
      {"walk_SW.gif", {1247, 0xF047F9A1}},
      {"walk_W.gif", {1212, 0x7A1E4CC4}},
      {"wave.gif", {1077, 0x493E1B82}}}},
    {"-s",
     56,  // static anims: every GIF as high as the highest frame
     {{"idle.gif", {2001, 0xE9931B06}},
      {"stand.gif", {638, 0xD5ACACA4}},
      {"walk_E.gif", {1918, 0x2246909E}},
      {"walk_N.gif", {1842, 0xD28160EC}},
      {"walk_NE.gif", {1905, 0x6926F8B6}},
      {"walk_NW.gif", {1915, 0x7F63310F}},
      {"walk_S.gif", {1963, 0x923ADB6B}},
      {"walk_SE.gif", {2007, 0x4DDC322B}},
      {"walk_SW.gif", {2284, 0xD5CF00EA}},
      {"walk_W.gif", {1913, 0xF6505212}},
      {"wave.gif", {1710, 0x7FA7DBFD}}}},
    {"-l=0",
     0,
     {{"idle.gif", {4024, 0x0A61856B}},
      {"stand.gif", {1132, 0x3E562A4A}},
      {"walk_E.gif", {3928, 0xF9D047CD}},
      {"walk_N.gif", {3890, 0x133217FC}},
      {"walk_NE.gif", {3934, 0x73102E78}},
      {"walk_NW.gif", {3946, 0x0A41D922}},
      {"walk_S.gif", {3987, 0x1170C417}},
      {"walk_SE.gif", {4023, 0x799E46BB}},
      {"walk_SW.gif", {4039, 0x09C1DE35}},
      {"walk_W.gif", {3931, 0xF9CC7F92}},
      {"wave.gif", {3276, 0x114B95E6}}}},
    {"-d=0",
     0,
     {{"idle.gif", {1973, 0x1331F8D9}},
      {"stand.gif", {631, 0x7C1C547F}},
      {"walk_E.gif", {1879, 0xB3CBEE2D}},
      {"walk_N.gif", {1814, 0xF1B0F971}},
      {"walk_NE.gif", {1798, 0xFF93F38B}},
      {"walk_NW.gif", {1789, 0x9E88BDA2}},
      {"walk_S.gif", {1931, 0x8F2DE58B}},
      {"walk_SE.gif", {1921, 0x3245D363}},
      {"walk_SW.gif", {1904, 0xE82C75AF}},
      {"walk_W.gif", {1864, 0xF4039443}},
      {"wave.gif", {1692, 0x60F55224}}}},
};

// Each GIF's logical size and frame count.
struct Shape {
  int width, height;
  std::size_t frames;
};
const std::map<std::string, Shape> kSampleShapes = {
    {"idle.gif", {40, 57, 4}},   {"stand.gif", {40, 56, 1}},   {"walk_E.gif", {40, 57, 4}},
    {"walk_N.gif", {40, 57, 4}}, {"walk_NE.gif", {40, 57, 4}}, {"walk_NW.gif", {40, 57, 4}},
    {"walk_S.gif", {40, 57, 4}}, {"walk_SE.gif", {40, 57, 4}}, {"walk_SW.gif", {40, 57, 4}},
    {"walk_W.gif", {40, 57, 4}}, {"wave.gif", {40, 56, 3}}};

class PinnedGifs : public ExecutableTest {
 protected:
  // Converts dir_/<name>.spr once per run, each in a directory of its own, and checks the
  // console (the option's echo, then parsed, the file's lines), every GIF's shape and
  // structure, and the pinned bytes; when they changed, prints what was written.
  void Check(const std::string& name, const std::string& parsed,
             const std::map<std::string, Shape>& shapes, const std::vector<PinnedRun>& runs) {
    const std::map<std::string, std::string> echoes = {{"", ""},
                                                       {"-b", "use_binary_transparency=1\n"},
                                                       {"-s", "static_anims=1\n"},
                                                       {"-l=0", "use_lzw=0\n"},
                                                       {"-d=0", "dithering=0\n"}};
    std::vector<std::string> names;
    for (const auto& [gif, shape] : shapes) names.push_back(gif);
    std::string report;
    std::map<std::string, DecodedGif> lzw;
    for (const PinnedRun& run : runs) {
      SCOPED_TRACE(name + " " + run.option);
      const std::string cwd = "run" + run.option;
      fs::create_directory(Path(cwd));
      std::vector<std::string> arguments{"../" + name + ".spr"};
      if (!run.option.empty()) arguments.insert(arguments.begin(), run.option);
      EXPECT_EQ(Run(arguments, cwd), kBanner + echoes.at(run.option) + parsed + Summary(1));

      const std::string directory = Path(cwd + "/" + name + "/");
      ASSERT_EQ(ListDirectory(directory), names);
      std::map<std::string, Pinned> written;
      for (const auto& [gif_name, shape] : shapes) {
        SCOPED_TRACE(gif_name);
        const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(directory + gif_name);
        written[gif_name] = {bytes.size(), static_cast<std::uint32_t>(crc32(
                                               0, bytes.data(), static_cast<uInt>(bytes.size())))};
        const DecodedGif gif = testing::DecodeGif(bytes);
        const bool binary = run.option == "-b";
        EXPECT_EQ(gif.width, shape.width);
        EXPECT_EQ(gif.height, run.height != 0 ? run.height : shape.height);
        ASSERT_EQ(gif.frames.size(), shape.frames);
        EXPECT_EQ(gif.version, shape.frames > 1 || binary ? "89a" : "87a");
        for (std::size_t i = 0; i < gif.frames.size(); ++i) {
          EXPECT_EQ(gif.frames[i].has_loop, i == 0 && shape.frames > 1);
          EXPECT_EQ(gif.frames[i].has_gce, binary);
          EXPECT_EQ(gif.frames[i].transparent_index >= 0, binary);
        }
        if (run.option.empty()) lzw[gif_name] = gif;
        if (run.option == "-l=0") {
          // Run-length coding changes the codes, not the picture.
          const DecodedGif& same = lzw.at(gif_name);
          EXPECT_EQ(gif.global_map, same.global_map);
          for (std::size_t i = 0; i < gif.frames.size(); ++i)
            EXPECT_EQ(gif.frames[i].indices, same.frames[i].indices);
          for (const FrameCodes& codes : ReadFrameCodes(bytes)) EXPECT_EQ(codes.mixed_codes, 0u);
        }
      }
      if (written != run.gifs) {
        ADD_FAILURE() << "the GIF bytes changed";
        char line[128];
        for (const auto& [gif_name, pinned] : written) {
          std::snprintf(line, sizeof line, "      {\"%s\", {%zu, 0x%08X}},\n", gif_name.c_str(),
                        pinned.size, pinned.crc);
          report += line;
        }
      }
    }
    if (!report.empty()) std::printf("written:\n%s", report.c_str());
  }
};

TEST_F(PinnedGifs, TheSampleConvertsToThePinnedGifsWithEachSetting) {
  fs::copy_file(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr", Path("hero.spr"));
  Check("hero",
        "Parsing 'hero'\t4 sequence(s), 2 image collection(s)\n"
        "\twalk                 Ok \tidle                 Ok \n"
        "\twave                 Ok \tstand                Ok \n"
        "\n",
        kSampleShapes, kSampleRuns);
}

TEST_F(PinnedGifs, TheBusySpriteConvertsToThePinnedGifsWithEachSetting) {
  // 7 frames of 64 x 64 in 2 directions.
  sprwriter::WriteSpriteFile(Path("busy.spr"), benchsprite::LargeSprite({7, 2, 64}));
  Check(
      "busy", ParsedOk("busy", "march"),
      {{"march_00.gif", {64, 64, 7}}, {"march_01.gif", {64, 64, 7}}},
      {{"", 0, {{"march_00.gif", {16680, 0xD398D0F3}}, {"march_01.gif", {16924, 0x0EA51444}}}},
       {"-d=0", 0, {{"march_00.gif", {14625, 0xDA6218BE}}, {"march_01.gif", {14849, 0x63D2C746}}}},
       {"-l=0", 0, {{"march_00.gif", {27414, 0x1A027422}}, {"march_01.gif", {27622, 0xA5B4CDDE}}}},
       {"-b", 0, {{"march_00.gif", {10409, 0x82FAB6E9}}, {"march_01.gif", {10448, 0x62D10548}}}}});
}

}  // namespace
}  // namespace morvane::e2e
