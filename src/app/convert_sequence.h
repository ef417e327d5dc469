// One sequence of a parsed sprite written as GIF files, one per direction of its collection.
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
  bool static_anims = false;  // every frame at the canvas origin
  GifSettings gif;

  // The settings a run's validated options give: the one place that reads them.
  static SequenceSettings From(const RunSettingsRecord& run);
};

// Prints the sequence's console text and, when its name matches spec.pattern, composites every
// frame of every direction of its collection with the settings run and writes
// spec.output_directory/<name><suffix>.gif, placing the files through the report. Directions,
// frames and code streams are worked on side by side on the pool. The collection's images must
// be loaded. Errors propagate to the per-file job.
void ConvertSequence(Sprite& sprite, std::int32_t sequence_index, const FileSpec& spec,
                     const RunSettingsRecord& run, Report& report, WorkerPool& pool);

}  // namespace morvane
