// Writing a GIF file: header, colour maps, extensions, frames and trailer, in file order.
#include "gif/gif_writer.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>

#include "core/errors.h"
#include "gif/gif_error.h"
#include "platform/worker_pool.h"

namespace morvane::gif {

namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;

void PutLE16(ByteSink& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutText(ByteSink& out, const char* text) {
  while (*text != '\0') out.push_back(static_cast<std::uint8_t>(*text++));
}

// The entries padded with black to 2^BitsForCount(count) entries; nothing when empty.
void WriteColorMap(const ColorMap& map, ByteSink& out) {
  if (map.ColorCount() == 0) return;
  const std::span<const std::uint8_t> used = map.RgbBytes();
  out.insert(out.end(), used.begin(), used.end());
  const std::size_t padded = (std::size_t{1} << BitsForCount(map.ColorCount())) * 3;
  out.insert(out.end(), padded - used.size(), 0);
}

void WriteExtension(const GraphicControlExtension& control, ByteSink& out) {
  out.push_back(kExtensionIntroducer);
  out.push_back(kGraphicControlLabel);
  out.push_back(0x04);  // block size
  out.push_back(control.Packed());
  PutLE16(out, control.DelayHundredths());
  out.push_back(control.TransparentIndex());
  out.push_back(0x00);
}

void WriteExtension(const LoopExtension&, ByteSink& out) {
  out.push_back(kExtensionIntroducer);
  out.push_back(kApplicationLabel);
  out.push_back(0x0B);  // identifier and authentication code
  PutText(out, "NETSCAPE2.0");
  out.push_back(0x03);
  out.push_back(0x01);  // loop sub-block: a repeat count of 0, for ever
  PutLE16(out, 0);
  out.push_back(0x00);
}

void WriteExtensions(const GifFrame& frame, ByteSink& out) {
  for (const GifExtension& extension : frame.Extensions())
    std::visit([&out](const auto& block) { WriteExtension(block, out); }, extension);
}

// The image descriptor and the local colour table.
void WriteImageDescriptor(const GifFrame& frame, ByteSink& out) {
  const ColorMap& local = frame.LocalColorMap();
  std::uint8_t packed = 0;
  if (local.ColorCount() > 0) {
    packed = static_cast<std::uint8_t>(0x80 | (local.IsSorted() ? 0x20 : 0) |
                                       ((BitsForCount(local.ColorCount()) - 1) & 7));
  }
  out.push_back(kImageSeparator);
  PutLE16(out, 0);  // left
  PutLE16(out, 0);  // top
  PutLE16(out, frame.Width());
  PutLE16(out, frame.Height());
  out.push_back(packed);
  WriteColorMap(local, out);
}

// The logical screen descriptor's packed byte, computed afresh from the maps: global table
// flag, colour resolution from the widest map, sort flag, and the size of the global table (or
// of the widest local one). With no colour at all both fields come out as all ones.
std::uint8_t ScreenPacked(const GifImage& image) {
  const ColorMap& global = image.GlobalColorMap();
  const int global_count = global.ColorCount();
  int resolution = BitsForCount(global_count) - 1;
  int widest_local = 0;
  for (const GifFrame& frame : image.Frames()) {
    const int bits = BitsForCount(frame.LocalColorMap().ColorCount());
    resolution = std::max(resolution, bits - 1);
    widest_local = std::max(widest_local, bits);
  }
  const int size_bits = global_count > 0 ? BitsForCount(global_count) : widest_local;
  unsigned packed = ((static_cast<unsigned>(resolution) << 4) & 0x70) |
                    (static_cast<unsigned>(size_bits - 1) & 7);
  if (global_count > 0) {
    packed |= 0x80;
    if (global.IsSorted()) packed |= 0x08;
  }
  return static_cast<std::uint8_t>(packed);
}

// The whole file, with each frame's image data appended by frame_data(index, frame, out) in
// file order.
template <typename FrameData>
void WriteGifWith(const GifImage& image, ByteSink& out, const FrameData& frame_data) {
  const GifVersion version = RequiredVersion(image);
  if (version == GifVersion::kNone) throw GifError("Unsupported GIF version");
  PutText(out, version == GifVersion::k87a ? "GIF87a" : "GIF89a");

  const GifHeader& header = image.Header();
  PutLE16(out, header.logical_width);
  PutLE16(out, header.logical_height);
  out.push_back(ScreenPacked(image));
  out.push_back(header.background_index);
  out.push_back(0);  // pixel aspect ratio: not given
  WriteColorMap(header.global_map, out);

  for (int index = 0; index < image.FrameCount(); ++index) {
    const GifFrame& frame = image.FrameAt(index);
    WriteExtensions(frame, out);
    // A frame without pixels writes nothing but its extensions.
    if (frame.IsEmpty()) continue;
    WriteImageDescriptor(frame, out);
    frame_data(index, frame, out);
  }
  out.push_back(kTrailer);
}

}  // namespace

int BitsForCount(int n) {
  if (n <= 0) return 0;
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

GifVersion RequiredVersion(const GifFrame& frame) {
  // Extensions and a sorted colour table are GIF89a features.
  if (frame.LocalColorMap().IsSorted() || !frame.Extensions().empty()) return GifVersion::k89a;
  return GifVersion::k87a;
}

GifVersion RequiredVersion(const GifImage& image) {
  GifVersion version = GifVersion::kNone;
  for (const GifFrame& frame : image.Frames()) {
    version = std::max(version, RequiredVersion(frame));
    if (version == GifVersion::k89a) break;
  }
  return version;
}

namespace {

// A frame's pixels with the code size and colour count its image data is coded with.
FrameCode CodeOf(const GifImage& image, const GifFrame& frame) {
  const int local_count = frame.LocalColorMap().ColorCount();
  FrameCode code;
  if (local_count > 0) {
    code.code_bits = BitsForCount(local_count);
    code.colour_count = local_count;
  } else {
    code.code_bits = BitsForCount(image.GlobalColorMap().ColorCount());
    for (const GifFrame& other : image.Frames())
      code.code_bits = std::max(code.code_bits, BitsForCount(other.LocalColorMap().ColorCount()));
    code.colour_count = 1 << code.code_bits;
  }
  if (frame.Pixels().size() < static_cast<std::size_t>(frame.Width()) * frame.Height())
    throw std::logic_error("GIF frame pixel buffer smaller than the frame");
  code.pixels = frame.Pixels().data();
  code.width = frame.Width();
  code.height = frame.Height();
  return code;
}

}  // namespace

void EncodeFrameData(const GifImage& image, const GifFrame& frame, FrameCompression compression,
                     ByteSink& out) {
  const FrameCode code = CodeOf(image, frame);
  EncodeFrame(out, compression, code.code_bits, code.colour_count, code.pixels, code.width,
              code.height);
}

void WriteGif(const GifImage& image, FrameCompression compression, ByteSink& out) {
  WriteGifWith(image, out, [&](int, const GifFrame& frame, ByteSink& frame_out) {
    EncodeFrameData(image, frame, compression, frame_out);
  });
}

ByteSink EncodeGif(const GifImage& image, FrameCompression compression, WorkerPool& pool) {
  // Every frame's code stream is made in a buffer of its own, eight to sixteen frames at a time
  // where they can be coded in step and two at a time otherwise, the groups and pairs side by
  // side, then copied in order; the first frame in file order that fails decides the error.
  std::vector<ByteSink> frame_data(static_cast<std::size_t>(image.FrameCount()));
  if (RequiredVersion(image) != GifVersion::kNone) {
    std::vector<int> coded;  // the frames with pixels
    for (int i = 0; i < image.FrameCount(); ++i)
      if (!image.FrameAt(i).IsEmpty()) coded.push_back(i);
    // Whole groups of sixteen; then the rest as one group when it fills most of the width, or
    // eight of it as a half-width group; then pairs. A group that cannot be coded in step is
    // coded in pairs.
    std::size_t groups = 0, grouped = 0;
    if (compression == FrameCompression::kLzw) {
      groups = coded.size() / kFrameGroupSize;
      grouped = groups * kFrameGroupSize;
      const std::size_t rest = coded.size() - grouped;
      if (rest >= kMinFrameGroupSize) {
        ++groups;
        grouped += rest >= kMinWideFrameGroupSize ? rest : kMinFrameGroupSize;
      }
    }
    auto encode_pairs = [&](std::size_t begin, std::size_t end) {
      for (std::size_t at = begin; at < end; at += 2) {
        const int first = coded[at];
        ByteSink& first_out = frame_data[static_cast<std::size_t>(first)];
        if (at + 1 == end) {
          EncodeFrameData(image, image.FrameAt(first), compression, first_out);
          return;
        }
        const int second = coded[at + 1];
        EncodeFramePair(compression, CodeOf(image, image.FrameAt(first)), first_out,
                        CodeOf(image, image.FrameAt(second)),
                        frame_data[static_cast<std::size_t>(second)]);
      }
    };
    pool.ForEach(groups + (coded.size() - grouped + 1) / 2, [&](std::size_t task) {
      if (task >= groups) {
        const std::size_t at = grouped + 2 * (task - groups);
        encode_pairs(at, std::min(at + 2, coded.size()));
        return;
      }
      const std::size_t begin = task * kFrameGroupSize;
      const std::size_t size = std::min(kFrameGroupSize, grouped - begin);
      std::array<FrameCode, kFrameGroupSize> codes;
      std::array<ByteSink*, kFrameGroupSize> outs{};
      for (std::size_t l = 0; l < size; ++l) {
        const int frame = coded[begin + l];
        codes[l] = CodeOf(image, image.FrameAt(frame));
        outs[l] = &frame_data[static_cast<std::size_t>(frame)];
      }
      if (!EncodeFrameGroup(compression, std::span(codes).first(size), std::span(outs).first(size)))
        encode_pairs(begin, begin + size);
    });
  }
  std::size_t size = 4096;
  for (const ByteSink& data : frame_data) size += data.size();
  ByteSink bytes;
  bytes.reserve(size);
  WriteGifWith(image, bytes, [&](int index, const GifFrame&, ByteSink& out) {
    const ByteSink& data = frame_data[static_cast<std::size_t>(index)];
    out.insert(out.end(), data.begin(), data.end());
  });
  return bytes;
}

}  // namespace morvane::gif
