#include "platform/memory_pages.h"

namespace lc::platform {

// The Windows build lets the pages fault in as they are written.
void map_for_writing(void*, std::size_t) {}

}  // namespace lc::platform
