#include "app/limits.h"

#include <string>

#include "core/errors.h"

namespace morvane {

namespace {
std::string Size(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}
}  // namespace

void CheckCanvasSize(std::int64_t width, std::int64_t height) {
  if (width > kMaxGifSide || height > kMaxGifSide) throw Error("Image too large for GIF");
  if (width > 0 && height > 0 && width * height > kMaxCanvasPixels) {
    throw Error("Canvas of " + Size(width, height) + " pixels passes the limit of " +
                std::to_string(kMaxCanvasPixels) + " pixels per frame");
  }
}

void CheckAnimationSize(std::int64_t frames, std::int64_t width, std::int64_t height) {
  if (frames > kMaxGifFrames) {
    throw Error(std::to_string(frames) + " frames pass the limit of " +
                std::to_string(kMaxGifFrames) + " frames per GIF");
  }
  if (frames * width * height > kMaxAnimationPixels) {
    throw Error(std::to_string(frames) + " frames of " + Size(width, height) +
                " pixels pass the limit of " + std::to_string(kMaxAnimationPixels) +
                " pixels per GIF");
  }
}

void CheckDirectionWork(std::int64_t directions, std::int64_t positions) {
  if (directions > kMaxDirections) {
    throw Error(std::to_string(directions) + " directions pass the limit of " +
                std::to_string(kMaxDirections) + " directions per collection");
  }
  if (directions * positions > kMaxFramePositions) {
    throw Error(std::to_string(positions) + " sequence entries in " + std::to_string(directions) +
                " directions pass the limit of " + std::to_string(kMaxFramePositions) +
                " frame positions per sequence");
  }
}

}  // namespace morvane
