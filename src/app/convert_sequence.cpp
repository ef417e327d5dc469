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
#include "app/full_alpha_output.h"
#include "app/limits.h"
#include "app/output_names.h"
#include "app/wildcard.h"
#include "core/ascii.h"
#include "core/errors.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/signals.h"
#include "rgba/rgba_frame.h"
#include "rgba/sheet_layout.h"
#include "rgba/webp_encoder.h"

namespace morvane {

namespace {

constexpr std::size_t kNameColumn = 20;

// The files of one direction (or of the sheet), in the order they are placed.
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

// The layout of the sequence's sheet, when it has one, after checking the size limits of every
// WebP and of the sheet, so that a sequence too large for them writes no file. A direction
// whose canvas cannot be a GIF's stops the checks: its error comes when it is converted, after
// the files of the directions before it.
std::optional<rgba::SheetLayout> CheckFullAlphaSizes(const Sprite& sprite, const Sequence& sequence,
                                                     const Collection& anim,
                                                     const SequenceSettings& settings) {
  if (!settings.formats.webp && !settings.formats.sheet) return std::nullopt;
  std::vector<rgba::DirectionCanvas> canvases;
  for (std::int32_t d = 0; d < anim.DirectionCount(); ++d) {
    FrameGeometry geometry;
    try {
      geometry = DirectionGeometry(sprite, sequence, anim, d, settings.static_anims);
    } catch (const Error&) {
      return std::nullopt;
    }
    if (settings.formats.webp) rgba::CheckWebpSize(geometry.width, geometry.height);
    canvases.push_back(SheetCanvas(geometry));
  }
  // A collection without directions has no frames, so no sheet, as it has no GIF.
  if (!settings.formats.sheet || canvases.empty()) return std::nullopt;
  return rgba::LayOutSheet(canvases, settings.static_anims);
}

}  // namespace

SequenceSettings SequenceSettings::From(const RunSettingsRecord& run) {
  SequenceSettings settings;
  settings.formats = run.output_formats;
  settings.static_anims = run.static_anims;
  settings.frame_duration_ms = rgba::FrameDurationMs(run.anim_speed);
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
  const OutputFormats& formats = settings.formats;
  const std::int32_t direction_count = anim->DirectionCount();
  const std::optional<rgba::SheetLayout> sheet =
      CheckFullAlphaSizes(sprite, sequence, *anim, settings);
  const auto in_output_directory = [&](const std::string& name) {
    return JoinPath(spec.output_directory, name);
  };

  // The sheet is made beside the directions, as one more task whose files come last.
  const std::size_t tasks = static_cast<std::size_t>(direction_count) + (sheet ? 1 : 0);
  PlaceDirectionsInOrder(tasks, report, pool, [&](std::size_t d) {
    Signals::ThrowIfPending();
    DirectionFiles files;
    if (d == static_cast<std::size_t>(direction_count)) {
      std::vector<SheetDirectionNames> names;
      for (std::int32_t i = 0; i < direction_count; ++i) {
        const std::string suffix = DirectionSuffix(direction_count, i);
        std::string tag = GifFileName(safe_name, suffix);
        tag.resize(tag.size() - std::string_view(".gif").size());
        names.push_back(
            {std::move(tag), FramePngStem(safe_name, suffix, sheet->directions[i].frame_count)});
      }
      const std::string name = SheetName(safe_name);
      SheetPieces png(sprite, sequence, *anim, settings.static_anims, *sheet);
      files.push_back(PendingFile::WriteInPieces(in_output_directory(name + ".png"),
                                                 [&png] { return png.Next(); }));
      const std::string json = SheetAtlas(*sheet, names, name + ".png", settings.frame_duration_ms);
      files.push_back(PendingFile::Write(in_output_directory(name + ".json"),
                                         std::vector<std::uint8_t>(json.begin(), json.end())));
      return files;
    }

    const auto direction = static_cast<std::int32_t>(d);
    const std::string suffix = DirectionSuffix(direction_count, direction);
    if (formats.gif) {
      DirectionFrames frames(sprite, sequence, *anim, direction, settings.static_anims);
      files.push_back(
          PendingFile::Write(in_output_directory(GifFileName(safe_name, suffix)),
                             DirectionGif(frames, settings.gif, pool, direction_count)));
    }
    if (formats.png || formats.webp) {
      DirectionFrames frames(sprite, sequence, *anim, direction, settings.static_anims);
      const std::int64_t count = frames.Geometry().frames;
      std::int64_t k = 0;
      const std::optional<std::vector<std::uint8_t>> webp = DirectionFullAlpha(
          frames, formats.png, formats.webp, settings.frame_duration_ms,
          [&](std::vector<std::uint8_t> png) {
            files.push_back(PendingFile::Write(
                in_output_directory(FramePngFileName(safe_name, suffix, k++, count)), png));
          });
      if (webp)
        files.push_back(
            PendingFile::Write(in_output_directory(WebpFileName(safe_name, suffix)), *webp));
    }
    return files;
  });
  console.Write(" Ok ");
  console.Flush();
}

}  // namespace morvane
