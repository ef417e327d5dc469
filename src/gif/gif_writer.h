// Writing a GIF image as the bytes of a file: header, colour maps, extensions, frames and
// trailer, in file order.
#pragma once

#include <cstdint>
#include <string>

#include "gif/frame_encoder.h"
#include "gif/gif_image.h"
#include "gif/sub_block_writer.h"
#include "platform/worker_pool.h"

namespace morvane::gif {

// The version a file needs: 87a unless a feature of 89a is used; kNone for an image without
// frames, which cannot be written.
enum class GifVersion : std::uint8_t { kNone = 0, k87a = 1, k89a = 2 };

GifVersion RequiredVersion(const GifFrame& frame);
GifVersion RequiredVersion(const GifImage& image);

// 0 for 0; otherwise the least b >= 1 with 2^b >= n (1, 2 -> 1; 3-4 -> 2; ... 129-256 -> 8): the
// bits of a colour table's size and of the codes of pixels that index it.
int BitsForCount(int n);

// Appends one frame's image data (minimum code size, data sub-blocks, terminator) to out. The
// pixels index the frame's local map when it has one; otherwise the code size covers the widest
// map in the file, and any index below that power of two is accepted. A pixel beyond raises
// "Color not in color table", with the bytes coded so far left in out.
void EncodeFrameData(const GifImage& image, const GifFrame& frame, FrameCompression compression,
                     ByteSink& out);

// Appends the whole file to out; raises "Unsupported GIF version" for an image without frames
// before any byte is written. On an error the bytes written so far stay in out.
void WriteGif(const GifImage& image, FrameCompression compression, ByteSink& out);

// The whole file's bytes, as WriteGif makes them, with the frames' image data encoded side by
// side on the pool's threads; an error is the one the first failing frame in file order raises.
ByteSink EncodeGif(const GifImage& image, FrameCompression compression, WorkerPool& pool);

}  // namespace morvane::gif
