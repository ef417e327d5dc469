// Decodes GIF bytes with giflib, the independent decoder every GIF we write is checked with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvane::testing {

struct DecodedFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<std::uint8_t> indices;     // width x height, rows top to bottom
  std::vector<std::uint32_t> local_map;  // 0x00BBGGRR, as stored (padded size)
  bool has_gce = false;
  int transparent_index = -1;  // -1: no transparency
  int disposal = 0;
  int delay = 0;
  bool has_loop = false;  // a NETSCAPE2.0 extension precedes this frame
  int loop_count = -1;
  std::vector<std::uint32_t> ColorsOf(const std::vector<std::uint32_t>& global) const;
};

struct DecodedGif {
  std::string version;  // "87a" or "89a"
  int width = 0, height = 0;
  int background_index = 0;
  int color_resolution = 0;
  bool sort_flag = false;
  std::vector<std::uint32_t> global_map;  // as stored (padded size)
  std::vector<DecodedFrame> frames;
  // The colour of each pixel of frame i through its active map.
  std::vector<std::uint32_t> FramePixels(std::size_t i) const;
};

// Throws std::runtime_error with giflib's message when the bytes are not a valid GIF, and when
// they hold no image.
DecodedGif DecodeGif(const std::vector<std::uint8_t>& bytes);
DecodedGif DecodeGifFile(const std::string& path);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace morvane::testing
