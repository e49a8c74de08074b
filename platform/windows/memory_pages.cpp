#include "platform/memory_pages.h"

#include <malloc.h>

namespace lc::platform {

// The Windows build lets the pages fault in as they are written.
void map_for_writing(void*, std::size_t) {}

void give_back_free_memory() {
  _heapmin();
}

}  // namespace lc::platform
