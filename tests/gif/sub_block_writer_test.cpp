// The sub-block writer's framing of a byte stream.
#include "gif/sub_block_writer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace morvane::gif {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SubBlockWriter, WritesFullBlocksThenTheRest) {
  for (int n : {0, 1, 254, 255, 256, 300, 510}) {
    Bytes out;
    SubBlockWriter writer(out);
    for (int i = 0; i < n; ++i) writer.WriteByte(static_cast<std::uint8_t>(i));
    writer.Flush();
    Bytes expected;
    for (int start = 0; start < n; start += 255) {
      const int length = std::min(255, n - start);
      expected.push_back(static_cast<std::uint8_t>(length));
      for (int i = start; i < start + length; ++i) expected.push_back(static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(out, expected) << n << " bytes";
  }
}

}  // namespace
}  // namespace morvane::gif
