#include "platform/standard_streams.h"

#include <unistd.h>

namespace lc::platform {

// Streams here are bytes already, and terminals take UTF-8.
void prepare_standard_streams() {}

bool is_terminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}

}  // namespace lc::platform
