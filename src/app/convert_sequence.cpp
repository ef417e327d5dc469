#include "app/convert_sequence.h"

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_source.h"
#include "app/limits.h"
#include "app/output_names.h"
#include "app/wildcard.h"
#include "core/ascii.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/signals.h"

namespace morvane {

namespace {

constexpr std::size_t kNameColumn = 20;

// The files of one direction, in the order they are placed.
using DirectionFiles = std::vector<PendingFile>;

// Makes every direction's files side by side (make(d)) and places them through the report in
// direction order, each direction's as soon as the directions before it stand. The first
// failure in direction order is raised: the files of the directions before it stand, and none
// after it is placed.
void PlaceDirectionsInOrder(std::size_t directions, Report& report, WorkerPool& pool,
                            const std::function<DirectionFiles(std::size_t)>& make) {
  std::vector<std::optional<DirectionFiles>> files(directions);
  std::vector<std::exception_ptr> errors(directions);
  std::atomic<std::size_t> first_error = directions;
  const auto fail = [&](std::size_t d, std::exception_ptr error) {
    errors[d] = std::move(error);
    std::size_t expected = first_error.load();
    while (d < expected && !first_error.compare_exchange_weak(expected, d)) {
    }
  };
  std::mutex placing;
  std::size_t placed = 0;  // directions whose files stand
  pool.ForEach(directions, [&](std::size_t d) {
    if (d > first_error.load()) return;  // it would never be placed
    try {
      DirectionFiles made = make(d);
      const std::lock_guard<std::mutex> lock(placing);
      files[d] = std::move(made);
      while (placed < first_error.load() && placed < directions && files[placed]) {
        try {
          for (PendingFile& file : *files[placed]) report.Place(std::move(file));
        } catch (...) {
          fail(placed, std::current_exception());
          break;
        }
        files[placed++].reset();
      }
    } catch (...) {
      fail(d, std::current_exception());
    }
  });
  if (const std::size_t d = first_error.load(); d < directions) std::rethrow_exception(errors[d]);
}

}  // namespace

SequenceSettings SequenceSettings::From(const RunSettingsRecord& run) {
  SequenceSettings settings;
  settings.static_anims = run.static_anims;
  GifSettings& gif = settings.gif;
  gif.background = run.background_color;
  if (run.binary_transparency) gif.threshold = run.threshold;
  gif.reduction.dither_method = run.dithering == DitherMethod::kFloydSteinberg
                                    ? gif::kDitherFloydSteinberg
                                    : gif::kDitherNearest;
  gif.compression = run.frame_coding == FrameCoding::kRunLength ? gif::FrameCompression::kRunLength
                                                                : gif::FrameCompression::kLzw;
  gif.delay_hundredths = FrameDelayHundredths(run.anim_speed);
  return settings;
}

void ConvertSequence(Sprite& sprite, std::int32_t sequence_index, const FileSpec& spec,
                     const RunSettingsRecord& run, Report& report, WorkerPool& pool) {
  Console& console = report;
  Signals::ThrowIfPending();  // no sequence line is started once the run is ending
  const Sequence& sequence = *sprite.GetSequence(sequence_index);
  std::string text = "\t" + ShownName(sequence.Name());
  if (sequence.Name().size() < kNameColumn) text.append(kNameColumn - sequence.Name().size(), ' ');
  console.Write(text);
  console.Flush();
  if (!MatchWildcard(sequence.Name(), spec.pattern)) {
    console.Write(" skipped");
    console.Flush();
    return;
  }

  const Collection* anim = sprite.GetCollection(sequence.CollectionIndex());
  if (anim == nullptr) return;  // the per-file job only converts sequences of a collection
  const SequenceSettings settings = SequenceSettings::From(run);
  CheckDirectionWork(anim->DirectionCount(), sequence.FrameCount());
  const std::string safe_name = SafeFileName(sequence.Name());
  PlaceDirectionsInOrder(
      static_cast<std::size_t>(anim->DirectionCount()), report, pool, [&](std::size_t d) {
        const auto direction = static_cast<std::int32_t>(d);
        const std::string path =
            JoinPath(spec.output_directory,
                     GifFileName(safe_name, DirectionSuffix(anim->DirectionCount(), direction)));
        Signals::ThrowIfPending();
        DirectionFrames frames(sprite, sequence, *anim, direction, settings.static_anims);
        DirectionFiles files;
        files.push_back(PendingFile::Write(path, DirectionGif(frames, settings.gif, pool)));
        return files;
      });
  console.Write(" Ok ");
  console.Flush();
}

}  // namespace morvane
