#pragma once
// `schedule`: a daily run of a config file, registered with the system's own task scheduler
// (Windows), removed or shown.

#include "push/settings/options.h"

namespace lc::push {

// Returns the exit code.
int schedule_task(const Options& options);

}  // namespace lc::push
