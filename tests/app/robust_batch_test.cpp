// A long batch: one list of 2,000 specs mixing good, missing, malformed and cut-short sprites.
// Every good one converts, every bad one is counted, and the run ends with the right summary.
#include "app/e2e_sprites.h"
#include "app/executable.h"

namespace morvane::e2e {
namespace {

class LongBatch : public ExecutableTest {};

TEST_F(LongBatch, TwoThousandSpecsConvertEveryGoodFileAndCountEveryBadOne) {
  constexpr int kSpecs = 2000;
  const std::string good = OneFrameSprite(5, 4, true).Bytes();
  const std::string bad_tag = WrongVersion(good);
  const std::string cut = good.substr(0, 30);

  std::string list;
  int goods = 0, missing = 0, malformed = 0, cut_short = 0;
  for (int i = 0; i < kSpecs; ++i) {
    const std::string name = "s/f" + std::to_string(i) + ".spr";
    switch (i % 5) {
      case 0:
      case 1:
        Write(name, good);
        ++goods;
        break;
      case 2:
        ++missing;  // listed, never written
        break;
      case 3:
        Write(name, bad_tag);
        ++malformed;
        break;
      default:
        Write(name, cut);
        ++cut_short;
        break;
    }
    list += name + (i % 2 == 0 ? "\n" : "\r\n");
  }
  Write("batch.lst", list);

  const std::string output = Run({"@batch.lst"});
  const std::string summary = Summary(goods, missing + malformed + cut_short, malformed);
  EXPECT_TRUE(output.ends_with(summary)) << output.substr(output.size() - 300);
  EXPECT_EQ(Occurrences(output, "Parsing '"), static_cast<std::size_t>(kSpecs));
  EXPECT_EQ(Occurrences(output, " Ok \n"), static_cast<std::size_t>(goods));
  EXPECT_EQ(Occurrences(output, "\tError: No such file or directory\n"),
            static_cast<std::size_t>(missing));
  EXPECT_EQ(Occurrences(output, "\tError parsing sprite file. See Error Log for detail.\n"),
            static_cast<std::size_t>(malformed));
  EXPECT_EQ(Occurrences(output, "\tError: Read beyond end of file\n"),
            static_cast<std::size_t>(cut_short));
  EXPECT_EQ(Occurrences(ErrorLog(), "Error: not a <sprite> file in file f"),
            static_cast<std::size_t>(malformed));

  for (int i = 0; i < kSpecs; ++i) {
    const std::vector<std::string> written = ListDirectory(Path("s/f" + std::to_string(i)));
    if (i % 5 < 2) {
      ASSERT_EQ(written, std::vector<std::string>{"walk.gif"}) << i;
    } else {
      // A missing file gets no directory; the others get one that stays empty.
      ASSERT_EQ(written, std::vector<std::string>{}) << i;
    }
  }
}

}  // namespace
}  // namespace morvane::e2e
