// The per-file job: converts the sprite file named by one file spec.
#pragma once

#include <string>

namespace morvane {

// Converts one "file[::pattern]" spec and reports the outcome on one console line, counting it
// in FilesProcessed or ErrorCount. fromList decides where the output directory goes. An empty
// file name is skipped silently. Never throws.
void ConvertFile(const std::string& fileSpec, bool fromList);

}  // namespace morvane
