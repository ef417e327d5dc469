#include "platform/worker_count.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <thread>

namespace morvane {

int UsableCpuCount() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  int count = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process_mask, &system_mask))
    count = std::popcount(static_cast<std::uint64_t>(process_mask));
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(count, 1);
}

}  // namespace morvane
