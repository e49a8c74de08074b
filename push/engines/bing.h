#pragma once
// Bing's URL Submission API: the day's quota read first, then batches of a site's links as JSON,
// answers wrapped in {"d": ...} and refusals as {"ErrorCode", "Message"}.

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& bing_engine();

}  // namespace lc::push
