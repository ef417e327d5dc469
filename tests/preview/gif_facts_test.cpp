// What giflib tells about a GIF, and the reason it gives when it cannot read one.
#include <gtest/gtest.h>

#include "preview/preview.h"
#include "preview/preview_support.h"

namespace morvane::preview {
namespace {

using testing::GifBytes;
using testing::TempDirTest;

class GifFactsTest : public TempDirTest {};

TEST_F(GifFactsTest, ReadsSizeFramesDelaysLoopAndTransparency) {
  const std::string bytes =
      GifBytes(7, 5).Loop(0).Control(10).Frame().Control(5, 1).Frame().Frame().End();
  const GifFacts facts = ReadGifFacts(Write("a.gif", bytes));
  EXPECT_EQ(facts.error, "");
  EXPECT_EQ(facts.file_size, bytes.size());
  EXPECT_EQ(facts.width, 7);
  EXPECT_EQ(facts.height, 5);
  EXPECT_EQ(facts.frame_count, 3);
  // The third frame has no control extension of its own: a control block covers one frame.
  EXPECT_EQ(facts.min_delay, 0);
  EXPECT_EQ(facts.max_delay, 10);
  EXPECT_EQ(facts.loop_count, 0);
  EXPECT_TRUE(facts.transparent);
}

TEST_F(GifFactsTest, WithoutExtensionsPlaysOnceWithoutDelayOrTransparency) {
  const GifFacts plain = ReadGifFacts(Write("plain.gif", GifBytes(3, 2).Frame().End()));
  EXPECT_EQ(plain.error, "");
  EXPECT_EQ(plain.frame_count, 1);
  EXPECT_EQ(plain.loop_count, -1);
  EXPECT_EQ(plain.max_delay, 0);
  EXPECT_FALSE(plain.transparent);

  const GifFacts counted =
      ReadGifFacts(Write("counted.gif", GifBytes(3, 2).Loop(3).Control(4).Frame().End()));
  EXPECT_EQ(counted.loop_count, 3);
  EXPECT_EQ(counted.min_delay, 4);
  EXPECT_FALSE(counted.transparent);
}

TEST_F(GifFactsTest, BrokenFilesCarryTheDecodersReason) {
  EXPECT_EQ(ReadGifFacts(Write("text.gif", "this is not a GIF file")).error,
            "Data is not in GIF format");
  EXPECT_EQ(ReadGifFacts(Write("empty.gif", GifBytes(3, 2).End())).error, "No frame in the file");
  EXPECT_EQ(ReadGifFacts(dir_ + "/missing.gif").error, "No such file or directory");

  // Cut inside the second frame's data: the place of the defect is told.
  const std::string whole = GifBytes(3, 2).Frame().Frame().End();
  const GifFacts cut = ReadGifFacts(Write("cut.gif", whole.substr(0, whole.size() - 4)));
  EXPECT_NE(cut.error, "");
  EXPECT_NE(cut.error.find("(after frame 1)"), std::string::npos) << cut.error;
  EXPECT_EQ(cut.file_size, whole.size() - 4);

  // Code 7 right after the clear code is beyond the string table.
  const std::string bad_code = GifBytes(3, 2)
                                   .Raw(std::string("\x2C\0\0\0\0\x01\0\x01\0\0", 10))
                                   .Raw(std::string("\x02\x01\x3C\x00", 4))
                                   .End();
  const GifFacts defective = ReadGifFacts(Write("bad.gif", bad_code));
  EXPECT_NE(defective.error.find("defective"), std::string::npos) << defective.error;
}

}  // namespace
}  // namespace morvane::preview
