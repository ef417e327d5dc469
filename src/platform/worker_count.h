// How many worker threads a run uses: the variable MORVANE_THREADS, else every CPU the process
// may run on.
#pragma once

#include <optional>
#include <string_view>

namespace morvane {

// No run uses more worker threads than this, whatever the variable or the machine says.
inline constexpr int kMaxWorkerThreads = 256;

// The worker count a value of MORVANE_THREADS stands for. Only the plain text of a whole
// decimal number counts: an optional '+' or '-' and then digits, nothing else, not even blanks
// (" 4", "4x" and "4.0" are not numbers). A positive number is taken as it is, capped at
// kMaxWorkerThreads (however many digits it has). No value (nullopt), an empty one, zero, a
// negative number or any other text mean default_count, which is kept within 1 and
// kMaxWorkerThreads as well. Never fails and never prints anything.
int WorkerCountFromSetting(std::optional<std::string_view> setting, int default_count);

// The number of CPUs in the process's affinity mask (what taskset, cgroups' cpusets and batch
// schedulers leave it), at least 1. Falls back to the CPUs the system reports online when the
// mask cannot be read.
int UsableCpuCount();

// WorkerCountFromSetting applied to the environment's MORVANE_THREADS and UsableCpuCount().
int WorkerThreadCount();

}  // namespace morvane
