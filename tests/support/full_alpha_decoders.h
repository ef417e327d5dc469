// Independent readers of the full-alpha files: PNG through libpng's simplified API, WebP through
// libwebp's animation decoder. Both give straight (not premultiplied) 8-bit RGBA, 0xAABBGGRR.
#pragma once

#include <cstdint>
#include <vector>

namespace morvane::testing {

struct DecodedImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
};

// Fails the test and returns an empty image when the file is not an 8-bit RGBA PNG that libpng
// reads without complaint.
DecodedImage DecodePng(const std::vector<std::uint8_t>& png);

struct DecodedAnimation {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool animated = false;
  std::uint32_t loop_count = 0;
  std::vector<std::vector<std::uint32_t>> frames;  // the whole canvas as shown
  std::vector<int> end_times;                      // when each one ends, in ms
};

// Plays a WebP; fails the test where libwebp cannot read it or where this build has no WebP.
DecodedAnimation DecodeWebp(const std::vector<std::uint8_t>& file);

// Fails unless the decoded animation shows frame k, and only it, from k x duration to
// (k + 1) x duration: each decoded frame stands for one or more consecutive equal frames.
void ExpectPlays(const DecodedAnimation& decoded,
                 const std::vector<std::vector<std::uint32_t>>& frames, int duration);

}  // namespace morvane::testing
