// The bundled sample converted with each setting: the structure of every GIF checked with
// giflib, and the bytes of every GIF pinned by size and CRC-32.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <map>

#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

using testing::DecodedGif;

struct Pinned {
  std::size_t size;
  std::uint32_t crc;
  friend bool operator==(const Pinned&, const Pinned&) = default;
};

// A run of the sample: its options, and the size and CRC-32 of each GIF written.
struct SampleRun {
  std::string name;
  std::vector<std::string> options;
  std::map<std::string, Pinned> gifs;
};

const std::vector<SampleRun> kRuns = {
    {"default",
     {},
     {{"idle.gif", {2002, 0x2EC7249D}},
      {"stand.gif", {638, 0xD5ACACA4}},
      {"walk_E.gif", {1935, 0x45347CD3}},
      {"walk_N.gif", {1848, 0x97670116}},
      {"walk_NE.gif", {1914, 0xAF9D08A6}},
      {"walk_NW.gif", {1931, 0x57B3704E}},
      {"walk_S.gif", {1967, 0xF43D695B}},
      {"walk_SE.gif", {2320, 0x0801B914}},
      {"walk_SW.gif", {2017, 0x7E3013B4}},
      {"walk_W.gif", {1953, 0x735B6084}},
      {"wave.gif", {1710, 0x7FA7DBFD}}}},
    {"binary",
     {"-b"},
     {{"idle.gif", {1286, 0x4CDDB492}},
      {"stand.gif", {360, 0x10682EB1}},
      {"walk_E.gif", {1214, 0xB135E541}},
      {"walk_N.gif", {1186, 0x26257A14}},
      {"walk_NE.gif", {1182, 0x10CA3007}},
      {"walk_NW.gif", {1182, 0x5E89222C}},
      {"walk_S.gif", {1253, 0x24D7A756}},
      {"walk_SE.gif", {1252, 0x6B221BE7}},
      {"walk_SW.gif", {1257, 0x1F055D1F}},
      {"walk_W.gif", {1222, 0x9A5DDEDB}},
      {"wave.gif", {1077, 0x493E1B82}}}},
    {"static",
     {"-s"},
     {{"idle.gif", {2001, 0xE9931B06}},
      {"stand.gif", {638, 0xD5ACACA4}},
      {"walk_E.gif", {1936, 0x8BCB1707}},
      {"walk_N.gif", {1842, 0xD28160EC}},
      {"walk_NE.gif", {1923, 0x31B8217E}},
      {"walk_NW.gif", {1923, 0x956EE2E5}},
      {"walk_S.gif", {1963, 0x923ADB6B}},
      {"walk_SE.gif", {2029, 0x79E7ACDF}},
      {"walk_SW.gif", {2018, 0xE8774538}},
      {"walk_W.gif", {1941, 0x75B2848C}},
      {"wave.gif", {1710, 0x7FA7DBFD}}}},
    {"nolzw",
     {"-l=0"},
     {{"idle.gif", {4024, 0x0A61856B}},
      {"stand.gif", {1132, 0x3E562A4A}},
      {"walk_E.gif", {3955, 0x8A2B1C86}},
      {"walk_N.gif", {3890, 0x133217FC}},
      {"walk_NE.gif", {3963, 0xE952042C}},
      {"walk_NW.gif", {3945, 0x6E77A324}},
      {"walk_S.gif", {3987, 0x1170C417}},
      {"walk_SE.gif", {4759, 0xA853385D}},
      {"walk_SW.gif", {4042, 0xF74CA957}},
      {"walk_W.gif", {3951, 0x2EE2D275}},
      {"wave.gif", {3276, 0x114B95E6}}}},
    {"nodither",
     {"-d=0"},
     {{"idle.gif", {1973, 0x1331F8D9}},
      {"stand.gif", {631, 0x7C1C547F}},
      {"walk_E.gif", {1877, 0xD7ABF233}},
      {"walk_N.gif", {1814, 0xF1B0F971}},
      {"walk_NE.gif", {1799, 0x2C786CE7}},
      {"walk_NW.gif", {1809, 0xF40B69DA}},
      {"walk_S.gif", {1931, 0x8F2DE58B}},
      {"walk_SE.gif", {1916, 0x4366B211}},
      {"walk_SW.gif", {1932, 0x949311BE}},
      {"walk_W.gif", {1893, 0x846DA94B}},
      {"wave.gif", {1692, 0x60F55224}}}},
};

// Each GIF's logical size and frame count; static anims make every GIF 40 x 56.
struct Shape {
  int width, height;
  std::size_t frames;
};
const std::map<std::string, Shape> kShapes = {
    {"idle.gif", {40, 57, 4}},   {"stand.gif", {40, 56, 1}},   {"walk_E.gif", {40, 57, 4}},
    {"walk_N.gif", {40, 57, 4}}, {"walk_NE.gif", {40, 57, 4}}, {"walk_NW.gif", {40, 57, 4}},
    {"walk_S.gif", {40, 57, 4}}, {"walk_SE.gif", {40, 57, 4}}, {"walk_SW.gif", {40, 57, 4}},
    {"walk_W.gif", {40, 57, 4}}, {"wave.gif", {40, 56, 3}}};

std::string Console(const std::vector<std::string>& options) {
  std::string text = kBanner;
  for (const std::string& option : options) {
    const std::string name = option == "-b"     ? "use_binary_transparency=1"
                             : option == "-s"   ? "static_anims=1"
                             : option == "-l=0" ? "use_lzw=0"
                                                : "dithering=0";
    text += name + "\n";
  }
  return text +
         "Parsing 'hero'\t4 sequence(s), 2 image collection(s)\n"
         "\twalk                 Ok \tidle                 Ok \n"
         "\twave                 Ok \tstand                Ok \n"
         "\n"
         "1 file(s) processed\n";
}

class SampleGifs : public ExecutableTest {};

TEST_F(SampleGifs, ConvertsToThePinnedGifsWithEachSetting) {
  fs::copy_file(std::string(MORVANE_SOURCE_DIR) + "/sample/hero.spr", dir_ + "/hero.spr");
  std::string report;
  std::map<std::string, DecodedGif> lzw;
  for (const SampleRun& run : kRuns) {
    SCOPED_TRACE(run.name);
    fs::create_directory(dir_ + "/" + run.name);
    std::vector<std::string> arguments = run.options;
    arguments.push_back("../hero.spr");
    EXPECT_EQ(Run(arguments, run.name), Console(run.options));

    const std::string directory = dir_ + "/" + run.name + "/hero/";
    std::vector<std::string> names;
    for (const auto& [name, shape] : kShapes) names.push_back(name);
    ASSERT_EQ(ListDirectory(directory), names);
    std::map<std::string, Pinned> written;
    for (const auto& [name, shape] : kShapes) {
      SCOPED_TRACE(name);
      const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(directory + name);
      written[name] = {bytes.size(), static_cast<std::uint32_t>(
                                         crc32(0, bytes.data(), static_cast<uInt>(bytes.size())))};
      const DecodedGif gif = testing::DecodeGif(bytes);
      const bool binary = run.name == "binary";
      EXPECT_EQ(gif.width, shape.width);
      EXPECT_EQ(gif.height, run.name == "static" ? 56 : shape.height);
      ASSERT_EQ(gif.frames.size(), shape.frames);
      EXPECT_EQ(gif.version, shape.frames > 1 || binary ? "89a" : "87a");
      for (std::size_t i = 0; i < gif.frames.size(); ++i) {
        EXPECT_EQ(gif.frames[i].has_loop, i == 0 && shape.frames > 1);
        EXPECT_EQ(gif.frames[i].has_gce, binary);
        EXPECT_EQ(gif.frames[i].transparent_index >= 0, binary);
      }
      if (run.name == "default") lzw[name] = gif;
      if (run.name == "nolzw") {
        // Run-length coding changes the codes, not the picture.
        const DecodedGif& same = lzw.at(name);
        EXPECT_EQ(gif.global_map, same.global_map);
        for (std::size_t i = 0; i < gif.frames.size(); ++i)
          EXPECT_EQ(gif.frames[i].indices, same.frames[i].indices);
        for (const FrameCodes& codes : ReadFrameCodes(bytes)) EXPECT_EQ(codes.mixed_codes, 0u);
      }
    }
    if (written != run.gifs) {
      ADD_FAILURE() << "the GIF bytes changed";
      char line[128];
      for (const auto& [name, pinned] : written) {
        std::snprintf(line, sizeof line, "      {\"%s\", {%zu, 0x%08X}},\n", name.c_str(),
                      pinned.size, pinned.crc);
        report += line;
      }
    }
  }
  if (!report.empty()) std::printf("written:\n%s", report.c_str());
}

}  // namespace
}  // namespace morvane::e2e
