#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace morvane {

void PrefaultForWriting(void* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  // Since Linux 5.14; older kernels answer EINVAL and the pages fault in as they are written.
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / page * page;
  if (end > begin)
    static_cast<void>(madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE));
#else
  static_cast<void>(data);
  static_cast<void>(size);
#endif
}

}  // namespace morvane
