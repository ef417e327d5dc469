// The program's global operator new and delete, replaced so that allocations can be watched.
// They live alone in this file: the compiler must not see them beside new-expressions.
#include "allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_tracking{false};
std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_total{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_tracking.load(std::memory_order_relaxed)) {
    g_total.fetch_add(size, std::memory_order_relaxed);
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace morvane::testing {

AllocationProbe::AllocationProbe() {
  g_largest = 0;
  g_total = 0;
  g_tracking = true;
}
AllocationProbe::~AllocationProbe() {
  g_tracking = false;
}
std::size_t AllocationProbe::Largest() const {
  return g_largest;
}
std::size_t AllocationProbe::Total() const {
  return g_total;
}

}  // namespace morvane::testing
