#pragma once
// Bing's URL Submission API: the day's quota read first, then batches of a site's links as JSON,
// answers wrapped in {"d": ...} and refusals as {"ErrorCode", "Message"}.

#include <memory>

#include "push/engines/engine.h"

namespace lc::push {

std::unique_ptr<Engine> make_bing(const Destination& destination);

// The most URLs one SubmitUrlbatch may carry.
inline constexpr std::size_t kBingLargestBatch = 500;
inline constexpr const char* kBingEndpoint = "https://ssl.bing.com/webmaster/api.svc/json";

}  // namespace lc::push
