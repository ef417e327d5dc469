// The per-file job: converts the sprite file named by one file spec.
#pragma once

#include <string>

#include "app/report.h"
#include "params/file_spec.h"
#include "params/run_settings.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/worker_pool.h"

namespace morvane {

enum class JobOutcome {
  kSkipped,    // an empty file name: nothing was done or printed
  kConverted,  // every sequence converted without an error
  kFailed,     // the job ended in an error, reported on its console line
};

// Converts one "file[::pattern]" spec with the settings run and reports the outcome on one
// console line; parse errors and internal errors also go to the report's log, and the GIFs are
// placed through it. from_list decides where the output directory goes. The pool's threads
// help with the directions and frames. Throws only Interrupted, when a signal ends the run.
JobOutcome ConvertFile(const std::string& file_spec, bool from_list, const RunSettingsRecord& run,
                       Report& report, WorkerPool& pool);

// The job's work on an open sprite file: parses it, prints the counts line and converts every
// sequence collection by collection into spec.output_directory. Errors propagate.
void ConvertSpriteFile(SpriteFile& file, const FileSpec& spec, const RunSettingsRecord& run,
                       Report& report, WorkerPool& pool);

}  // namespace morvane
