#include "platform/memory_pages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace lc::platform {

// Linux 5.14 and later; older kernels refuse the advice, and the pages then fault in as usual.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

void map_for_writing(void* data, std::size_t size) {
  static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  // Only whole pages inside the range: a page shared with other data is left alone.
  const std::uintptr_t first = (begin + page - 1) & ~(page - 1);
  const std::uintptr_t last = (begin + size) & ~(page - 1);
  if (last > first) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
  }
}

void give_back_free_memory() {
  malloc_trim(0);
}

void give_large_blocks_their_own_pages() {
  // A threshold set stays: the heap no longer raises it after each large block freed.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // Nor would it keep the free top of each thread's heap any more: without a higher bound it
  // gives it back and takes it again with every request.
  mallopt(M_TRIM_THRESHOLD, 16 * 1024 * 1024);
}

}  // namespace lc::platform
