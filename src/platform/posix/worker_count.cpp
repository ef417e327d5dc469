#include "platform/worker_count.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <thread>

namespace morvane {

namespace {

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

int UsableCpuCount() {
  int count = AffinityCpuCount();
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(count, 1);
}

}  // namespace morvane
