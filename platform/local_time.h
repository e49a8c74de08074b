#pragma once
// The machine's local time, as people read it: a moment broken down in the machine's zone, and
// that zone's distance from UTC.

#include <ctime>

namespace lc::platform {

std::tm local_time_of(std::time_t moment);

// Minutes the machine's zone stands ahead of UTC at `moment` (negative behind).
long utc_offset_minutes(std::time_t moment);

}  // namespace lc::platform
