#pragma once
// Asking the record: `status` (per site and destination) and `history` (one line per link event).

#include "push/options.h"

namespace lc::push {

// Each returns the exit code.
int show_status(const Options& options);
int show_history(const Options& options);

}  // namespace lc::push
