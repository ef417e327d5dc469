// A small copy of the measuring sprite (many colours, alpha edges over every pixel, frames in
// pairs and one left over) converted with each setting: the bytes of every GIF pinned by size
// and CRC-32, so that the fast paths of drawing, reduction and encoding cannot change a byte
// unnoticed.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

#include "app/executable.h"
#include "benchsprite/benchsprite.h"
#include "support/giflib_reader.h"

namespace morvane::e2e {
namespace {

struct Pinned {
  std::size_t size;
  std::uint32_t crc;
  friend bool operator==(const Pinned&, const Pinned&) = default;
};

class BusyGifs : public ExecutableTest {};

TEST_F(BusyGifs, ConvertToThePinnedGifsWithEachSetting) {
  // 7 frames of 64 x 64 in 2 directions.
  sprwriter::WriteSpriteFile(dir_ + "/busy.spr", benchsprite::LargeSprite({7, 2, 64}));
  const std::map<std::string, std::map<std::string, Pinned>> runs = {
      {"", {{"march_00.gif", {16680, 0xD398D0F3}}, {"march_01.gif", {16924, 0x0EA51444}}}},
      {"-d=0", {{"march_00.gif", {14625, 0xDA6218BE}}, {"march_01.gif", {14849, 0x63D2C746}}}},
      {"-l=0", {{"march_00.gif", {27414, 0x1A027422}}, {"march_01.gif", {27622, 0xA5B4CDDE}}}},
      {"-b", {{"march_00.gif", {10409, 0x82FAB6E9}}, {"march_01.gif", {10448, 0x62D10548}}}},
  };
  for (const auto& [option, pinned] : runs) {
    SCOPED_TRACE(option);
    fs::remove_all(dir_ + "/busy");
    std::vector<std::string> arguments;
    if (!option.empty()) arguments.push_back(option);
    arguments.push_back("busy.spr");
    const std::string echo = option == "-d=0"   ? "dithering=0\n"
                             : option == "-l=0" ? "use_lzw=0\n"
                             : option == "-b"   ? "use_binary_transparency=1\n"
                                                : "";
    EXPECT_EQ(Run(arguments), kBanner + echo +
                                  "Parsing 'busy'\t1 sequence(s), 1 image collection(s)\n"
                                  "\tmarch                Ok \n"
                                  "1 file(s) processed\n");
    std::map<std::string, Pinned> written;
    for (const auto& entry : fs::directory_iterator(dir_ + "/busy")) {
      const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(entry.path().string());
      written[entry.path().filename().string()] = {
          bytes.size(),
          static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())))};
      const testing::DecodedGif gif = testing::DecodeGif(bytes);
      EXPECT_EQ(gif.width, 64);
      EXPECT_EQ(gif.height, 64);
      EXPECT_EQ(gif.frames.size(), 7u);
    }
    EXPECT_EQ(written, pinned);
  }
}

}  // namespace
}  // namespace morvane::e2e
