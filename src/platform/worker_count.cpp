// The worker thread count: the MORVANE_THREADS setting, or one per usable processor. How many
// processors the process may use is asked of the system in each system's file.
#include "platform/worker_count.h"

#include <algorithm>
#include <string>

#include "platform/environment.h"

namespace morvane {

namespace {

// The positive whole number the text spells, capped at kMaxWorkerThreads; 0 for anything else.
int PositiveCountFromText(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return 0;
  long long value = 0;  // saturates above the cap, so no number of digits can overflow it
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = std::min<long long>(value * 10 + (c - '0'), kMaxWorkerThreads + 1);
  }
  if (negative || value == 0) return 0;
  return static_cast<int>(std::min<long long>(value, kMaxWorkerThreads));
}

}  // namespace

int WorkerCountFromSetting(std::optional<std::string_view> setting, int default_count) {
  if (setting) {
    const int count = PositiveCountFromText(*setting);
    if (count > 0) return count;
  }
  return std::clamp(default_count, 1, kMaxWorkerThreads);
}

int WorkerThreadCount() {
  const std::optional<std::string> setting = EnvironmentValue("MORVANE_THREADS");
  return WorkerCountFromSetting(setting ? std::optional<std::string_view>(*setting) : std::nullopt,
                                UsableCpuCount());
}

}  // namespace morvane
