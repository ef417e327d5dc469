#include "support/giflib_reader.h"

#include <gif_lib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace morvane::testing {

namespace {

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  const std::size_t left = reader->bytes->size() - reader->pos;
  const std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(count));
  std::memcpy(buffer, reader->bytes->data() + reader->pos, n);
  reader->pos += n;
  return static_cast<int>(n);
}

std::vector<std::uint32_t> MapOf(const ColorMapObject* map) {
  std::vector<std::uint32_t> colours;
  if (map == nullptr) return colours;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    colours.push_back(std::uint32_t{c.Red} | std::uint32_t{c.Green} << 8 |
                      std::uint32_t{c.Blue} << 16);
  }
  return colours;
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

}  // namespace

std::vector<std::uint32_t> DecodedFrame::ColorsOf(const std::vector<std::uint32_t>& global) const {
  const std::vector<std::uint32_t>& map = local_map.empty() ? global : local_map;
  std::vector<std::uint32_t> colours;
  colours.reserve(indices.size());
  for (std::uint8_t index : indices) {
    if (index >= map.size()) throw std::runtime_error("pixel index beyond the colour map");
    colours.push_back(map[index]);
  }
  return colours;
}

std::vector<std::uint32_t> DecodedGif::FramePixels(std::size_t i) const {
  return frames.at(i).ColorsOf(global_map);
}

DecodedGif DecodeGif(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 6) throw std::runtime_error("too short for a GIF");
  Reader reader{&bytes, 0};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&reader, ReadFromMemory, &error));
  if (!gif) throw std::runtime_error(std::string("DGifOpen: ") + GifErrorString(error));
  if (DGifSlurp(gif.get()) != GIF_OK)
    throw std::runtime_error(std::string("DGifSlurp: ") + GifErrorString(gif->Error));
  // A GIF must show something: decoders refuse one without an image.
  if (gif->ImageCount == 0) throw std::runtime_error("GIF without an image");

  DecodedGif out;
  out.version.assign(reinterpret_cast<const char*>(bytes.data()) + 3, 3);
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  out.background_index = gif->SBackGroundColor;
  out.color_resolution = gif->SColorResolution;
  out.sort_flag = gif->SColorMap != nullptr && gif->SColorMap->SortFlag;
  out.global_map = MapOf(gif->SColorMap);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    DecodedFrame frame;
    frame.left = image.ImageDesc.Left;
    frame.top = image.ImageDesc.Top;
    frame.width = image.ImageDesc.Width;
    frame.height = image.ImageDesc.Height;
    frame.interlaced = image.ImageDesc.Interlace;
    frame.local_map = MapOf(image.ImageDesc.ColorMap);
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height;
    if (image.RasterBits != nullptr)
      frame.indices.assign(image.RasterBits, image.RasterBits + size);
    for (int e = 0; e < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& block = image.ExtensionBlocks[e];
      if (block.Function == GRAPHICS_EXT_FUNC_CODE) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block.ByteCount, block.Bytes, &gcb) == GIF_OK) {
          frame.has_gce = true;
          frame.transparent_index = gcb.TransparentColor;
          frame.disposal = gcb.DisposalMode;
          frame.delay = gcb.DelayTime;
        }
      } else if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                 std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0) {
        frame.has_loop = true;
        if (e + 1 < image.ExtensionBlockCount) {
          const ExtensionBlock& sub = image.ExtensionBlocks[e + 1];
          if (sub.Function == CONTINUE_EXT_FUNC_CODE && sub.ByteCount >= 3 && sub.Bytes[0] == 1)
            frame.loop_count = sub.Bytes[1] | sub.Bytes[2] << 8;
        }
      }
    }
    out.frames.push_back(std::move(frame));
  }
  return out;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

DecodedGif DecodeGifFile(const std::string& path) {
  return DecodeGif(ReadFileBytes(path));
}

}  // namespace morvane::testing
