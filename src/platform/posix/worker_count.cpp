#include "platform/worker_count.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

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

struct CpuSetDeleter {
  void operator()(cpu_set_t* set) const { CPU_FREE(set); }
};

// The CPUs of the affinity mask, or 0 when it cannot be read. A fixed cpu_set_t holds only
// CPU_SETSIZE (1024) CPUs and the call fails with EINVAL on a kernel configured for more, so
// the set grows until the kernel's mask fits.
int AffinityCpuCount() {
  for (int cpus = CPU_SETSIZE; cpus <= (1 << 22); cpus *= 2) {
    const std::unique_ptr<cpu_set_t, CpuSetDeleter> set(CPU_ALLOC(cpus));
    if (!set) return 0;
    const std::size_t size = CPU_ALLOC_SIZE(cpus);
    CPU_ZERO_S(size, set.get());
    if (sched_getaffinity(0, size, set.get()) == 0) return CPU_COUNT_S(size, set.get());
    if (errno != EINVAL) return 0;
  }
  return 0;
}

}  // namespace

int WorkerCountFromSetting(std::optional<std::string_view> setting, int default_count) {
  if (setting) {
    const int count = PositiveCountFromText(*setting);
    if (count > 0) return count;
  }
  return std::clamp(default_count, 1, kMaxWorkerThreads);
}

int UsableCpuCount() {
  int count = AffinityCpuCount();
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(count, 1);
}

int WorkerThreadCount() {
  const std::optional<std::string> setting = EnvironmentValue("MORVANE_THREADS");
  return WorkerCountFromSetting(setting ? std::optional<std::string_view>(*setting) : std::nullopt,
                                UsableCpuCount());
}

}  // namespace morvane
