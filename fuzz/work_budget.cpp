#include "work_budget.h"

#include <optional>
#include <string>

#include "app/convert_sequence.h"
#include "app/frame_source.h"
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

// What step returns, or Stop where it raises the error the conversion fails with.
template <typename Step>
auto OrStop(const Step& step) {
  try {
    return step();
  } catch (const Error&) {
    throw Stop{};
  }
}

// The canvas and the frames come from the converter's own frame source.
void WalkDirection(Work& work, const Sprite& sprite, const Sequence& sequence,
                   const Collection& anim, std::int32_t direction, bool static_anims,
                   std::int64_t pixel_cost) {
  ++work.gifs;
  work.steps += 2 * static_cast<std::int64_t>(sequence.FrameCount());
  DirectionFrames frames =
      OrStop([&] { return DirectionFrames(sprite, sequence, anim, direction, static_anims); });
  const std::int64_t canvas = std::int64_t{frames.Geometry().width} * frames.Geometry().height;
  while (const std::optional<PlacedFrame> placed = OrStop([&] { return frames.Next(); })) {
    if (placed->frame != PlacedFrame::kBackgroundFrame)
      work.decoded += CellBytes(anim, placed->frame, direction);
    work.pixels += canvas * pixel_cost;
  }
}

void WalkCollection(Work& work, const Sprite& sprite, std::int32_t index, bool static_anims,
                    std::int64_t pixel_cost) {
  const Collection& anim = *sprite.GetCollection(index);
  for (const std::int32_t j : sprite.SequencesOf(index)) {
    const Sequence& sequence = *sprite.GetSequence(j);
    OrStop([&] { CheckDirectionWork(anim.DirectionCount(), sequence.FrameCount()); });
    for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
      WalkDirection(work, sprite, sequence, anim, d, static_anims, pixel_cost);
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
  const SequenceSettings settings = SequenceSettings::From(run);
  // Each output draws the frames again and encodes them; a PNG, WebP or sheet pixel costs about
  // as much as a GIF pixel in the instrumented build.
  const OutputFormats& formats = settings.formats;
  const std::int64_t pixel_cost = formats.gif + formats.png + formats.webp + formats.sheet;
  MemoryFile file(data, size);
  try {
    Sprite sprite = ParseSprite(file);
    for (std::int32_t i = 0; i < sprite.CollectionCount(); ++i) {
      Collection& anim = *sprite.GetCollection(i);
      anim.SetImages(LoadImageSet(file, sprite, i));
      WalkCollection(work, sprite, i, settings.static_anims, pixel_cost);
      anim.SetImages(ImageSet{});
    }
  } catch (const Stop&) {
  } catch (const Error&) {
    // The conversion fails here too; what it did up to this point is counted.
  }
  return work;
}

}  // namespace morvane::fuzz
