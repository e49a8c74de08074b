#pragma once
// IndexNow: a JSON list of one host's links, the key proved by a key file on the site; the
// status says it all.

#include <memory>
#include <string_view>

#include "push/engines/engine.h"

namespace lc::push {

std::unique_ptr<Engine> make_indexnow(const Destination& destination);

// IndexNow's keys: 8 to 128 characters of a-z, A-Z, 0-9 and '-'.
bool is_indexnow_key(std::string_view key);

// The most URLs one IndexNow request may carry.
inline constexpr std::size_t kIndexNowLargestBatch = 10'000;
// The endpoint the participating engines share.
inline constexpr const char* kIndexNowEndpoint = "https://api.indexnow.org/indexnow";

}  // namespace lc::push
