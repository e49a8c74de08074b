#pragma once
// Opening an address with the desktop's own opener, as the user's default browser would.

#include <functional>

#include "common/text.h"

namespace lc::platform {

// Detached; a failure is silent.
void shell_open(TextView path);

namespace testing {
// Sends every shell_open to `recorder` instead of the desktop (empty: the desktop again).
void set_shell_recorder(std::function<void(TextView)> recorder);
}  // namespace testing

}  // namespace lc::platform
