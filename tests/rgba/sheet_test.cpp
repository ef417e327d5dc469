#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "rgba/rgba_support.h"
#include "rgba/sheet_layout.h"
#include "rgba/sheet_writer.h"

namespace morvane::rgba {
namespace {

// n directions of the same canvas and frame count.
std::vector<DirectionCanvas> Repeat(int n, const DirectionCanvas& canvas) {
  return std::vector<DirectionCanvas>(static_cast<std::size_t>(n), canvas);
}

TEST(SheetLayout, CellsRowsAndPivot) {
  struct Case {
    const char* name;
    std::vector<DirectionCanvas> directions;
    bool static_anims;
    // cell, N, sheet in cells, pivot
    std::int64_t cell_width, cell_height, cells_per_row, columns, rows;
    Fraction pivot_x, pivot_y;
    // the last direction's offset in its cells and its last frame's rect
    std::int64_t offset_x, offset_y;
    SheetRect last_rect;
  };
  const Case cases[] = {
      {"one frame",
       {{-10, -20, 30, 40, 1}},
       false,
       30,
       40,
       546,
       1,
       1,
       {10, 30},
       {20, 40},
       0,
       0,
       {0, 0, 30, 40}},
      {"static anims: largest sides, all at the origin",
       {{-5, -7, 10, 20, 2}, {-50, 3, 30, 5, 3}},
       true,
       30,
       20,
       546,
       3,
       2,
       {0, 1},
       {0, 1},
       0,
       0,
       {60, 20, 30, 20}},
      {"a background-frame direction counts at (0, 0)",
       {{-8, -16, 16, 16, 3}, {-99, -99, 64, 48, 1, true}},
       false,
       72,
       64,
       227,
       3,
       2,
       {8, 72},
       {16, 64},
       8,
       16,
       {0, 64, 72, 64}},
      {"directions apart: the cell holds both",
       {{-4, -10, 8, 10, 2}, {6, 2, 4, 4, 2}},
       false,
       14,
       16,
       1170,
       2,
       2,
       {4, 14},
       {10, 16},
       10,
       12,
       {14, 16, 14, 16}},
      {"4 directions",
       Repeat(4, {-16, -32, 32, 32, 8}),
       false,
       32,
       32,
       512,
       8,
       4,
       {16, 32},
       {32, 32},
       0,
       0,
       {224, 96, 32, 32}},
      {"8 directions",
       Repeat(8, {0, 0, 100, 50, 5}),
       false,
       100,
       50,
       163,
       5,
       8,
       {0, 100},
       {0, 50},
       0,
       0,
       {400, 350, 100, 50}},
      {"16 directions",
       Repeat(16, {-1, -1, 2, 2, 1}),
       false,
       2,
       2,
       8192,
       1,
       16,
       {1, 2},
       {1, 2},
       0,
       0,
       {0, 30, 2, 2}},
      // 16384 / 1000 = 16 cells a row: 40 frames take 3 rows, the next direction starts anew.
      {"a direction that wraps",
       {{0, 0, 1000, 10, 40}, {0, 0, 1000, 10, 5}},
       false,
       1000,
       10,
       16,
       16,
       4,
       {0, 1000},
       {0, 10},
       0,
       0,
       {4000, 30, 1000, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SheetLayout layout = LayOutSheet(c.directions, c.static_anims);
    EXPECT_EQ(layout.cell_width, c.cell_width);
    EXPECT_EQ(layout.cell_height, c.cell_height);
    EXPECT_EQ(layout.cells_per_row, c.cells_per_row);
    EXPECT_EQ(layout.columns, c.columns);
    EXPECT_EQ(layout.rows, c.rows);
    EXPECT_EQ(layout.width, c.columns * c.cell_width);
    EXPECT_EQ(layout.height, c.rows * c.cell_height);
    EXPECT_EQ(layout.pivot_x, c.pivot_x);
    EXPECT_EQ(layout.pivot_y, c.pivot_y);
    const SheetDirection& last = layout.directions.back();
    EXPECT_EQ(last.offset_x, c.offset_x);
    EXPECT_EQ(last.offset_y, c.offset_y);
    EXPECT_EQ(layout.FrameRect(layout.directions.size() - 1, last.frame_count - 1), c.last_rect);
  }
  // Within the wrapping direction, frame 17 is the second of its second row.
  EXPECT_EQ(LayOutSheet(cases[7].directions, false).FrameRect(0, 17),
            (SheetRect{1000, 10, 1000, 10}));
}

TEST(SheetLayout, LimitsExactlyAtAndJustPast) {
  struct Case {
    const char* name;
    std::vector<DirectionCanvas> directions;
    bool fits;
  };
  const Case cases[] = {
      {"16384 wide", {{0, 0, 16384, 1, 1}}, true},
      {"16385 wide", {{0, 0, 16385, 1, 1}}, false},
      {"16384 wide in cells", {{0, 0, 4096, 1, 4}}, true},
      {"16384 high", {{0, 0, 1, 16384, 1}}, true},
      {"16385 high", {{0, 0, 1, 16385, 1}}, false},
      {"16384 high in rows", Repeat(4, {0, 0, 1, 4096, 1}), true},
      {"20480 high in rows", Repeat(5, {0, 0, 1, 4096, 1}), false},
      {"2^26 pixels", {{0, 0, 4096, 4096, 4}}, true},
      {"a wrapped row past 2^26 pixels", {{0, 0, 4096, 4096, 5}}, false},
      {"one cell past 2^26 pixels", {{0, 0, 16384, 4097, 1}}, false},
      {"a union past 16384", {{-10000, 0, 10, 1, 1}, {0, 0, 6385, 1, 1}}, false},
      {"rows that would overflow", {{0, 0, 1, 1, std::int64_t{1} << 62}}, false},
      {"65536 frames of 1 x 1", Repeat(16, {0, 0, 1, 1, 4096}), true},
      {"65537 frames of 1 x 1", {{0, 0, 1, 1, 65537}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fits) {
      EXPECT_NO_THROW(LayOutSheet(c.directions, false));
      continue;
    }
    try {
      LayOutSheet(c.directions, false);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Image too large for sheet");
    }
  }
  EXPECT_THROW(LayOutSheet({}, false), std::invalid_argument);
  const DirectionCanvas empty{0, 0, 0, 4, 1}, frameless{0, 0, 4, 4, 0};
  EXPECT_THROW(LayOutSheet({&empty, 1}, false), std::invalid_argument);
  EXPECT_THROW(LayOutSheet({&frameless, 1}, false), std::invalid_argument);
}

// The sheet as it should be: each frame's canvas at its cell's corner plus its direction's
// offset, transparent everywhere else.
std::vector<RgbaPixel> ExpectedSheet(
    const SheetLayout& layout, const std::vector<std::vector<std::vector<RgbaPixel>>>& frames) {
  std::vector<RgbaPixel> sheet(static_cast<std::size_t>(layout.width * layout.height), 0);
  for (std::size_t d = 0; d < frames.size(); ++d) {
    const SheetDirection& placed = layout.directions[d];
    for (std::size_t k = 0; k < frames[d].size(); ++k) {
      const SheetRect rect = layout.FrameRect(d, static_cast<std::int64_t>(k));
      for (std::int64_t y = 0; y < placed.canvas_height; ++y)
        for (std::int64_t x = 0; x < placed.canvas_width; ++x)
          sheet[static_cast<std::size_t>((rect.y + placed.offset_y + y) * layout.width + rect.x +
                                         placed.offset_x + x)] =
              frames[d][k][static_cast<std::size_t>(y * placed.canvas_width + x)];
    }
  }
  return sheet;
}

class SheetWriterTest : public ::testing::TestWithParam<PngWriter> {};

TEST_P(SheetWriterTest, EveryCellHoldsItsFrame) {
  struct Case {
    const char* name;
    std::vector<DirectionCanvas> directions;
    bool static_anims;
  };
  const Case cases[] = {
      {"offsets and a background frame",
       {{-3, -5, 4, 6, 3}, {0, 0, 5, 4, 1, true}, {-1, -2, 2, 3, 2}},
       false},
      {"static anims", {{-3, -5, 4, 6, 2}, {7, 7, 3, 8, 3}}, true},
      // 16384 / 5462 = 2 cells a row: 5 frames take 3 rows, the last one half empty.
      {"wrapped rows", {{0, 0, 5462, 2, 5}, {0, 0, 5000, 1, 1}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SheetLayout layout = LayOutSheet(c.directions, c.static_anims);
    std::vector<std::vector<std::vector<RgbaPixel>>> frames;
    SheetWriter writer(layout, GetParam());
    for (std::size_t d = 0; d < c.directions.size(); ++d) {
      frames.emplace_back();
      for (std::int64_t k = 0; k < c.directions[d].frame_count; ++k) {
        const auto width = static_cast<std::int32_t>(c.directions[d].width);
        const auto height = static_cast<std::int32_t>(c.directions[d].height);
        frames.back().push_back(
            testing::PatternFrame(width, height, static_cast<std::uint32_t>(d * 10 + k)));
        writer.AddFrame({frames.back().back(), width, height});
      }
    }
    EXPECT_TRUE(writer.Complete());
    const std::vector<RgbaPixel> pixels = testing::PatternFrame(1, 1, 0);
    EXPECT_THROW(writer.AddFrame({pixels, 1, 1}), std::logic_error);
    const testing::DecodedImage decoded = testing::DecodePng(writer.Finish());
    EXPECT_EQ(decoded.width, layout.width);
    EXPECT_EQ(decoded.height, layout.height);
    EXPECT_TRUE(decoded.pixels == ExpectedSheet(layout, frames));
  }
}

TEST_P(SheetWriterTest, RefusesFramesOutOfPlace) {
  const DirectionCanvas canvas{0, 0, 2, 2, 2};
  SheetWriter writer(LayOutSheet({&canvas, 1}, false), GetParam());
  const std::vector<RgbaPixel> pixels(4);
  EXPECT_THROW(writer.AddFrame({pixels, 4, 1}), std::invalid_argument);
  writer.AddFrame({pixels, 2, 2});
  EXPECT_THROW(writer.Finish(), std::logic_error);

  // A layout whose canvas would stick out of its cell is refused before anything is written.
  SheetLayout tampered = LayOutSheet({&canvas, 1}, false);
  tampered.directions[0].offset_x = 1;
  EXPECT_THROW(SheetWriter(tampered, GetParam()), std::invalid_argument);
}

std::vector<PngWriter> AvailableWriters() {
  std::vector<PngWriter> writers;
  for (PngWriter writer : {PngWriter::kSpng, PngWriter::kStb, PngWriter::kLibdeflate})
    if (PngWriterAvailable(writer)) writers.push_back(writer);
  return writers;
}

INSTANTIATE_TEST_SUITE_P(Writers, SheetWriterTest, ::testing::ValuesIn(AvailableWriters()),
                         [](const auto& info) {
                           return std::string(info.param == PngWriter::kSpng  ? "spng"
                                              : info.param == PngWriter::kStb ? "stb"
                                                                              : "libdeflate");
                         });

}  // namespace
}  // namespace morvane::rgba
