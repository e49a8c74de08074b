#pragma once
// Asking the record: `status` (per site and destination), `history` (one line per link event)
// and `report` (a page to look at).

#include "push/settings/options.h"

namespace lc::push {

// Each returns the exit code.
int show_status(const Options& options);
int show_history(const Options& options);
int write_report(const Options& options);

}  // namespace lc::push
