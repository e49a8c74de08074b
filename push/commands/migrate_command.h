#pragma once
// `migrate --from LOCATION --to LOCATION`: a record moved whole, file to server or back.

#include "push/settings/options.h"

namespace lc::push {

// Returns the exit code.
int migrate(const Options& options);

}  // namespace lc::push
