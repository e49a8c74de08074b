#pragma once
// Each system's own way of opening an address (platform-internal; callers use shell_open).

#include "common/text.h"

namespace lc::platform {

// Detached; the result is not looked at.
void open_with_desktop(TextView path);

}  // namespace lc::platform
