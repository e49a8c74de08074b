#pragma once
// The push program's own action: every source taken into the record, then what waits sent in
// batches, each answer recorded before the next request.

#include "push/options.h"

namespace lc::push {

// Returns the exit code.
int push_links(const Options& options);

}  // namespace lc::push
