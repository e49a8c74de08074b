#include "platform/memory_pages.h"

#include <malloc.h>

namespace lc::platform {

// The Windows build lets the pages fault in as they are written.
void map_for_writing(void*, std::size_t) {}

void give_back_free_memory() {
  _heapmin();
}

// The Windows heap gives blocks this large their own pages already, and returns them when freed.
void give_large_blocks_their_own_pages() {}

}  // namespace lc::platform
