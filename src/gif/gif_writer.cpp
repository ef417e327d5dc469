// Writing a GIF file: header, colour maps, extensions, frames and trailer, in file order.
#include <algorithm>
#include <stdexcept>

#include "gif/encoders.h"
#include "gif/gif_image.h"
#include "platform/fs.h"

namespace morvane::gif {

namespace {

void PutLE16(ByteSink& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutLE32(ByteSink& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(ByteSink& out, const char* text) {
  while (*text != '\0') out.push_back(static_cast<std::uint8_t>(*text++));
}

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;

}  // namespace

// ---- Versions --------------------------------------------------------------------------------

GifVersion GifFrame::RequiredVersion() const {
  // A sorted colour table is a GIF89a feature.
  if (local_map_.IsSorted()) return GifVersion::k89a;
  GifVersion version = GifVersion::k87a;
  for (const auto& extension : extensions_)
    version = std::max(version, extension->RequiredVersion());
  return version;
}

GifVersion GifImage::RequiredVersion() const {
  GifVersion version = GifVersion::kUnknown;
  for (const auto& frame : frames_) {
    version = std::max(version, frame->RequiredVersion());
    if (version == GifVersion::k89a) break;
  }
  return version;
}

// ---- Colour maps and extensions --------------------------------------------------------------

void ColorMap::SaveToStream(ByteSink& out) const {
  if (count_ == 0) return;
  const auto used = static_cast<std::size_t>(count_) * 3;
  out.insert(out.end(), rgb_.begin(), rgb_.begin() + static_cast<std::ptrdiff_t>(used));
  // The table size is a power of two; black fills the unused entries.
  const std::size_t padded = (std::size_t{1} << BitsForCount(count_)) * 3;
  out.insert(out.end(), padded - used, 0);
}

void GraphicControlExtension::SaveToStream(ByteSink& out) const {
  out.push_back(kExtensionIntroducer);
  out.push_back(Label());
  out.push_back(0x04);  // block size
  out.push_back(packed_);
  PutLE16(out, delay_);
  out.push_back(transparent_index_);
  out.push_back(0x00);
}

void LoopExtension::SaveToStream(ByteSink& out) const {
  out.push_back(kExtensionIntroducer);
  out.push_back(Label());
  out.push_back(0x0B);  // identifier and authentication code
  PutText(out, "NETSCAPE2.0");
  out.push_back(0x03);
  out.push_back(0x01);  // loop sub-block
  PutLE16(out, RepeatCount);
  if (ReadAheadSize > 0) {
    out.push_back(0x05);
    out.push_back(0x02);  // buffering sub-block
    PutLE32(out, ReadAheadSize);
  }
  out.push_back(0x00);
}

// ---- Frames ----------------------------------------------------------------------------------

void GifFrame::SaveToStream(ByteSink& out) const {
  for (const auto& extension : extensions_) extension->SaveToStream(out);
  if (IsEmpty()) return;

  const int local_count = local_map_.ColorCount();
  std::uint8_t packed = 0;
  if (local_count > 0) {
    packed = static_cast<std::uint8_t>(0x80 | (local_map_.IsSorted() ? 0x20 : 0) |
                                       ((BitsForCount(local_count) - 1) & 7));
  } else {
    // Only the interlace flag and the reserved bits survive without a local table.
    packed = packed_ & 0x58;
  }
  out.push_back(kImageSeparator);
  PutLE16(out, left_);
  PutLE16(out, top_);
  PutLE16(out, width_);
  PutLE16(out, height_);
  out.push_back(packed);
  local_map_.SaveToStream(out);

  // Pixels index the local map when there is one; otherwise the code size covers the widest map
  // in the file, and any index below that power of two is accepted.
  int code_bits = 0;
  int colour_count = 0;
  if (local_count > 0) {
    code_bits = BitsForCount(local_count);
    colour_count = local_count;
  } else {
    code_bits = BitsForCount(image_->GlobalColorMap().ColorCount());
    for (const auto& frame : image_->frames_)
      code_bits = std::max(code_bits, BitsForCount(frame->LocalColorMap().ColorCount()));
    colour_count = 1 << code_bits;
  }
  if (pixels_.size() < static_cast<std::size_t>(width_) * height_)
    throw std::logic_error("GIF frame pixel buffer smaller than the frame");
  EncodeFrame(out, image_->FrameCompression, code_bits, colour_count, pixels_.data(),
              (packed & 0x40) != 0, width_, height_);
}

// ---- The whole file --------------------------------------------------------------------------

void GifImage::SaveToStream(ByteSink& out) const {
  const GifVersion version = RequiredVersion();
  if (version == GifVersion::kUnknown) throw GifError("Unsupported GIF version");
  PutText(out, version == GifVersion::k87a ? "GIF87a" : "GIF89a");

  // The packed byte is computed afresh from the maps: global table flag, colour resolution from
  // the widest map, sort flag, and the size of the global table (or of the widest local one).
  const ColorMap& global = header_.GlobalColorMap;
  const int global_count = global.ColorCount();
  int resolution = BitsForCount(global_count) - 1;
  int widest_local = 0;
  for (const auto& frame : frames_) {
    const int bits = BitsForCount(frame->LocalColorMap().ColorCount());
    resolution = std::max(resolution, bits - 1);
    widest_local = std::max(widest_local, bits);
  }
  const int size_bits = global_count > 0 ? BitsForCount(global_count) : widest_local;
  // With no colour at all both fields come out as all ones (-1 masked).
  unsigned packed = ((static_cast<unsigned>(resolution) << 4) & 0x70) |
                    (static_cast<unsigned>(size_bits - 1) & 7);
  if (global_count > 0) {
    packed |= 0x80;
    if (global.IsSorted()) packed |= 0x08;
  }

  PutLE16(out, header_.LogicalWidth);
  PutLE16(out, header_.LogicalHeight);
  out.push_back(static_cast<std::uint8_t>(packed));
  out.push_back(header_.BackgroundIndex);
  out.push_back(header_.AspectRatio);
  if (global_count > 0) global.SaveToStream(out);

  for (const auto& frame : frames_) frame->SaveToStream(out);
  out.push_back(kTrailer);
}

void GifImage::SaveGifFile(const std::string& path) const {
  // The whole file is made in memory first, so a failed save leaves nothing on disk. Room for
  // about a byte per pixel is set aside, so that the buffer seldom has to move while it grows.
  ByteSink bytes;
  std::size_t pixels = 0;
  for (const auto& frame : frames_) pixels += frame->Pixels().size();
  bytes.reserve(pixels + 4096);
  SaveToStream(bytes);
  WriteFileAtomically(path, bytes);
}

}  // namespace morvane::gif
