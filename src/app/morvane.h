// The converter's entry: banner, usage text, option registration, the walk over the
// arguments, and the run summary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// Run counters: files converted without an error, and files whose job ended in an error.
// Only the per-file job changes them.
extern std::int32_t FilesProcessed;
extern std::int32_t ErrorCount;
void ResetRunCounters();

// Adds the seven short option names and then the options' defaults.
void RegisterOptions();

// Runs the converter on the command-line arguments (without the program name), with the
// configuration file at configPath. The error log's closing step is left to the caller, as it
// belongs to the end of the process. Always returns 0, the process's exit code.
int RunMorvane(const std::vector<std::string>& arguments, const std::string& configPath);

}  // namespace morvane
