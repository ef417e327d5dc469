#include "work_budget.h"

#include <algorithm>
#include <string>

#include "app/limits.h"
#include "fuzz_support.h"
#include "platform/file.h"
#include "sprite/sprite.h"

namespace morvane::fuzz {

namespace {

// Costs relative to a canvas pixel, measured in the instrumented build: 32 bytes of runs
// decoded, a GIF file (created, renamed, decoded by the check and removed again) as a thousand
// pixels, and two positions walked.
constexpr std::int64_t kDecodedBytesPerCostUnit = 32;
constexpr std::int64_t kCostPerGif = 1024;
constexpr std::int64_t kStepsPerCostUnit = 2;

// The conversion stops at the first error; so does the walk.
struct Stop {};

std::int64_t CellBytes(const Collection& anim, std::int32_t frame, std::int32_t direction) {
  const ImageSet& images = anim.Images();
  std::int64_t bytes = 0;
  for (int layer = 0; layer < 4; ++layer) {
    const std::int64_t number = Collection::SubImageNumber(
        images.StorageType(), anim.FrameCount(), anim.DirectionCount(), frame, direction, layer);
    if (number < 0 || number >= static_cast<std::int64_t>(images.SubImageCount())) continue;
    if (const ZarImage* image = images.SubImage(static_cast<std::size_t>(number))) {
      bytes += image->DataSize();
    }
  }
  return bytes;
}

// Pixels of a canvas the conversion makes, or Stop where making it fails.
std::int64_t CanvasPixels(std::int64_t width, std::int64_t height) {
  try {
    CheckCanvasSize(width, height);
  } catch (const Error&) {
    throw Stop{};
  }
  return width > 0 && height > 0 ? width * height : 0;
}

void WalkDirection(Work& work, const Sprite& sprite, const Sequence& sequence,
                   const Collection& anim, std::int32_t direction, bool static_anims) {
  ++work.gifs;
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
  std::int64_t counted = 0;
  for (std::int32_t i = 0; i < sequence.FrameCount(); ++i) {
    const std::int16_t frame = sequence.FrameIndex(i);
    if (frame < 0) continue;
    const FrameBox box = anim.BoxAt(frame, direction);
    if (box.IsEmpty()) continue;
    std::int64_t l = box.left, t = box.top, r = box.right, b = box.bottom;
    if (static_anims) {
      const FrameExtent extent = anim.ExtentAt(frame, direction);
      l = 0, t = 0, r = extent.width, b = extent.height;
    }
    if (counted++ == 0) {
      left = l, top = t, right = r, bottom = b;
    } else {
      left = std::min(left, l), top = std::min(top, t);
      right = std::max(right, r), bottom = std::max(bottom, b);
    }
  }
  work.steps += 2 * static_cast<std::int64_t>(sequence.FrameCount());
  if (counted == 0) left = 0, top = 0, right = sprite.Width(), bottom = sprite.Height();

  const std::int64_t width = right - left;
  const std::int64_t height = bottom - top;
  std::int64_t canvas = CanvasPixels(width, height);
  std::int64_t added = 0;
  for (std::int32_t i = 0; i < sequence.FrameCount(); ++i) {
    const std::int16_t frame = sequence.FrameIndex(i);
    if (frame < 0) continue;
    const FrameExtent extent = anim.ExtentAt(frame, direction);
    if (extent.width <= 0 || extent.height <= 0) continue;
    try {
      CheckAnimationSize(added + 1, canvas > 0 ? width : 0, canvas > 0 ? height : 0);
    } catch (const Error&) {
      throw Stop{};
    }
    work.decoded += CellBytes(anim, frame, direction);
    work.pixels += canvas;
    ++added;
  }
  if (added == 0) {
    if (counted > 0) canvas = CanvasPixels(sprite.Width(), sprite.Height());
    work.pixels += canvas;
  }
}

void WalkCollection(Work& work, const Sprite& sprite, std::int32_t index, bool static_anims) {
  const Collection& anim = *sprite.GetCollection(index);
  for (const std::int32_t j : sprite.SequencesOf(index)) {
    const Sequence& sequence = *sprite.GetSequence(j);
    try {
      CheckDirectionWork(anim.DirectionCount(), sequence.FrameCount());
    } catch (const Error&) {
      throw Stop{};
    }
    for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
      WalkDirection(work, sprite, sequence, anim, d, static_anims);
      if (work.Cost() > kWorkBudget) throw Stop{};  // past the budget the rest does not matter
    }
  }
}

}  // namespace

std::int64_t Work::Cost() const {
  return pixels + decoded / kDecodedBytesPerCostUnit + gifs * kCostPerGif +
         steps / kStepsPerCostUnit;
}

bool WithinBudget(const Work& work) {
  const bool within = work.Cost() <= kWorkBudget;
  Tell("work: " + std::to_string(work.gifs) + " GIFs, " + std::to_string(work.pixels) +
       " pixels, " + std::to_string(work.decoded) + " bytes decoded, " +
       std::to_string(work.steps) + " steps" + (within ? "" : ": over the budget, not converted"));
  return within;
}

Work EstimateWork(const std::uint8_t* data, std::size_t size, const RunSettingsRecord& run) {
  Work work;
  const bool static_anims = run.static_anims;
  MemoryFile file(data, size);
  try {
    Sprite sprite = ParseSprite(file);
    for (std::int32_t i = 0; i < sprite.CollectionCount(); ++i) {
      Collection& anim = *sprite.GetCollection(i);
      anim.SetImages(LoadImageSet(file, sprite, i));
      WalkCollection(work, sprite, i, static_anims);
      anim.SetImages(ImageSet{});
    }
  } catch (const Stop&) {
  } catch (const Error&) {
    // The conversion fails here too; what it did up to this point is counted.
  }
  return work;
}

}  // namespace morvane::fuzz
