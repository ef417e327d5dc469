#include "core/canvas.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(RgbCanvas, ClipsWritesAndReadsOutside) {
  RgbCanvas canvas(3, 2);
  canvas.FillRect(-5, -5, 50, 50, 0x123456);
  EXPECT_EQ(canvas.GetPixel(2, 1), 0x123456u);
  canvas.SetPixel(3, 0, 0xFF);
  canvas.SetPixel(-1, 0, 0xFF);
  EXPECT_EQ(canvas.GetPixel(3, 0), 0u);
  canvas.SetPixel(1, 1, 0xAB000001u);  // only the low 24 bits are kept
  EXPECT_EQ(canvas.GetPixel(1, 1), 0x000001u);
}

}  // namespace
}  // namespace morvane
