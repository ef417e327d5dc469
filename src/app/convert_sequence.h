// One sequence of a parsed sprite written as the run's outputs: per direction of its collection
// a GIF, a PNG of every frame and an animated WebP, and one sprite sheet.
#pragma once

#include <cstdint>

#include "app/gif_output.h"
#include "app/report.h"
#include "params/file_spec.h"
#include "params/run_settings.h"
#include "platform/worker_pool.h"
#include "sprite/sprite.h"

namespace morvane {

// What a sequence's outputs are made with.
struct SequenceSettings {
  OutputFormats formats{.gif = true};
  bool static_anims = false;  // every frame at the canvas origin
  GifSettings gif;
  std::int32_t frame_duration_ms = 100;  // of every WebP frame and sheet frame

  // The settings a run's validated options give: the one place that reads them.
  static SequenceSettings From(const RunSettingsRecord& run);
};

// Prints the sequence's console text and, when its name matches spec.pattern, composites every
// frame of every direction of its collection with the settings run and writes the outputs the
// run names into spec.output_directory (file names in output_names.h), placing the files
// through the report in order: per direction its GIF, its PNGs, its WebP; then the sheet's PNG
// and its JSON. The size limits of the WebPs and the sheet are checked before the first file.
// Directions, frames and code streams are worked on side by side on the pool. The collection's
// images must be loaded. Errors propagate to the per-file job.
void ConvertSequence(Sprite& sprite, std::int32_t sequence_index, const FileSpec& spec,
                     const RunSettingsRecord& run, Report& report, WorkerPool& pool);

}  // namespace morvane
