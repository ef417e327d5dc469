// The per-file job: converts the sprite file named by one file spec.
#pragma once

#include <string>

#include "app/file_spec.h"
#include "platform/file.h"

namespace morvane {

// Converts one "file[::pattern]" spec and reports the outcome on one console line, counting it
// in FilesProcessed or ErrorCount. fromList decides where the output directory goes. An empty
// file name is skipped silently. Never throws.
void ConvertFile(const std::string& fileSpec, bool fromList);

// The job's work on an open sprite file: parses it, prints the counts line and converts every
// sequence collection by collection into spec.OutputDirectory. Errors propagate.
void ConvertSpriteFile(SpriteFile& file, const FileSpec& spec);

}  // namespace morvane
