// Watches the largest single allocation of the test program while a probe lives, so a test
// can show that no count from a file drives a large allocation, even where the system would
// grant it.
#pragma once

#include <cstddef>

namespace morvane::testing {

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;
  std::size_t Largest() const;
};

}  // namespace morvane::testing
