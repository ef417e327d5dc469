// Watches the allocations of the test program while a probe lives: the largest one, so a test
// can show that no count from a file drives a large allocation, even where the system would
// grant it, and their sum, so it can show that memory does not grow with what is not kept.
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
  // Bytes of all allocations, whether freed since or not.
  std::size_t Total() const;
};

}  // namespace morvane::testing
