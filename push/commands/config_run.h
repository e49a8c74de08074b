#pragma once
// A run over the sites and engines of a config file: each site's sources read once, then pushed
// to each of its engines in turn, each engine with its own record.

#include "push/settings/plan.h"

namespace lc::push {

// Returns the highest exit code of the site's sources and engines: 0 when every link went.
int push_config(const Plan& plan);

}  // namespace lc::push
