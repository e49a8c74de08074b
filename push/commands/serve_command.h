#pragma once
// linkcourier-push serve: a service that takes the links sites publish, over HTTP, into the
// record, and answers only once they are kept there.

#include "push/settings/options.h"

namespace lc::push {

// Serves until the system asks it to stop; the exit code.
int serve_links(const Options& options);

}  // namespace lc::push
