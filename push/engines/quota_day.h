#pragma once
// Quotas as each engine counts them: by the engine's own day, and, where the engine fixes it,
// a number of links a day given before anything is asked.

#include <cstdint>
#include <ctime>
#include <optional>

#include "push/engines/engine_registry.h"

namespace lc::push {

// An engine's quota on one of its days, as far as is known.
struct QuotaDay {
  std::time_t day = 0;               // when the engine's day began
  std::int64_t used = 0;             // links sent that day and not asked for again
  std::optional<std::int64_t> left;  // what the engine last said was left
};

// The start of the engine's day holding `at`, in seconds since 1970, as its `days` say.
std::time_t quota_day(QuotaDays days, std::time_t at);

// The start of the engine's next day, when its quota is given anew; empty for an engine whose
// quota bounds each request only.
std::optional<std::time_t> next_quota_day(QuotaDays days, std::time_t at);

// What a day gives the destination, where the engine fixes it rather than its answers telling:
// the engine's usual quota, or what the destination was granted.
std::optional<long> daily_quota(const Destination& destination);

// What is left of the quota on `day`: what the engine last said, else the daily quota less what
// was used; unknown otherwise.
std::optional<long> quota_left(const QuotaDay& day, std::optional<long> daily_quota);

}  // namespace lc::push
