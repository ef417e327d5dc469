// The PNG writers behind png_encoder.h, with the compression they are given. Only
// png_encoder.cpp, the tests and the benchmarks include this header.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "rgba/png_encoder.h"

namespace morvane::rgba::png_detail {

// The row filters libspng may choose among, in its own bit values (it picks, per row, the one
// whose filtered bytes have the least sum of magnitudes). stb_image_write always chooses among
// all five the same way.
inline constexpr int kFilterNone = 8;
inline constexpr int kFilterSub = 16;
inline constexpr int kFilterUp = 32;
inline constexpr int kFilterAverage = 64;
inline constexpr int kFilterPaeth = 128;
inline constexpr int kFilterAll =
    kFilterNone | kFilterSub | kFilterUp | kFilterAverage | kFilterPaeth;

struct PngCompression {
  int zlib_level = 0;     // 0 to 9
  int zlib_strategy = 0;  // Z_DEFAULT_STRATEGY (0), Z_FILTERED (1), Z_HUFFMAN_ONLY (2), Z_RLE (3)
  int zlib_mem_level = 8;
  int filters = kFilterAll;  // libspng only
};

// What the converter writes with: zlib's fastest level, its default strategy, and the row
// filter Up. Chosen by bench/rgba_bench.cpp on 32 frames of 256 x 256 of the measuring sprite
// ("march", a faint glow over most of each frame) and of the same figure without the glow
// ("figure", in a transparent border), libspng, CPU time per pixel and bytes per pixel:
//
//   zlib level, strategy, filters     march ns  B/px   figure ns  B/px
//   6, filtered, all (the defaults)      263    0.729      165    0.431
//   1, default, Up (chosen)               40    0.966       28    0.559
//   1, run-length, Up                     41    0.997       27    0.630
//   1, default, Paeth                     54    0.977       38    0.568
//   1, run-length, Paeth                  50    0.909       35    0.593
//   1, default, Sub                       43    0.993       29    0.563
//   2, filtered, None                     56    1.342       22    0.513
//
// The defaults take six times as long for files a quarter smaller; choosing the filter row by
// row costs libspng about 50 ns more per pixel. The run-length strategy is no faster here, and
// it loses the matches between neighbouring cells of a sheet: a sheet of the figure frames is
// 0.33 bytes per pixel with the default strategy and 0.59 with run-length. In the same session
// the GIF path (drawing, octree palette, mapping, colour-map merge, LZW) took 26 ns per pixel
// without dithering and 35 with it. stb_image_write (Windows) always chooses its filter per row
// and took 51 and 35 ns per pixel for 0.956 and 0.559 bytes.
inline constexpr PngCompression kPngCompression{
    .zlib_level = 1, .zlib_strategy = 0, .zlib_mem_level = 8, .filters = kFilterUp};

// Whole images. The frame is checked by the caller (sides at least 1, width x height pixels).
std::vector<std::uint8_t> EncodeWithSpng(const RgbaFrameView& frame,
                                         const PngCompression& compression);
// stb_image_write hands its filtered rows to zlib through a hook that takes no settings of
// ours, so it always compresses with kPngCompression's zlib level and strategy.
std::vector<std::uint8_t> EncodeWithStb(const RgbaFrameView& frame);

// libdeflate at its fastest level, every row filtered Up (libdeflate builds only).
std::vector<std::uint8_t> EncodeWithLibdeflate(const RgbaFrameView& frame);

// Row by row; sides checked by the caller.
std::unique_ptr<PngRowEncoder::Backend> MakeSpngRowBackend(std::int32_t width, std::int32_t height,
                                                           const PngCompression& compression);
// For the writers of whole images (stb, libdeflate): the rows are gathered and the image
// encoded once the last one is there.
using WholeImageEncoder = std::vector<std::uint8_t> (*)(const RgbaFrameView& frame);
std::unique_ptr<PngRowEncoder::Backend> MakeGatheringRowBackend(std::int32_t width,
                                                                std::int32_t height,
                                                                WholeImageEncoder encode);

}  // namespace morvane::rgba::png_detail
