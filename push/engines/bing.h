#pragma once
// Bing's URL Submission API: the day's quota read first, then batches of a site's links as JSON,
// answers wrapped in {"d": ...} and refusals as {"ErrorCode", "Message"}.

#include <nlohmann/json.hpp>
#include <string>

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& bing_engine();

// A refusal's own error code (ApiErrorCode) in plain words, or its message.
std::string bing_explanation(const nlohmann::json& answer);

}  // namespace lc::push
