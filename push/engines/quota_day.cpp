#include "push/engines/quota_day.h"

#include <algorithm>
#include <chrono>

#include "push/engines/engine_registry.h"

namespace lc::push {
namespace {

using std::chrono::hours;
using std::chrono::seconds;
using std::chrono::sys_days;
using std::chrono::sys_seconds;

// Pacific time: UTC-7 from 2:00 on March's second Sunday to 2:00 on November's first Sunday,
// UTC-8 otherwise.
hours pacific_offset(sys_seconds at) {
  using namespace std::chrono;
  const year y = year_month_day(floor<days>(at)).year();
  const sys_seconds summer = sys_days(y / March / Sunday[2]) + hours(2 + 8);
  const sys_seconds winter = sys_days(y / November / Sunday[1]) + hours(2 + 7);
  return at >= summer && at < winter ? hours(-7) : hours(-8);
}

hours offset_of(QuotaDays days, sys_seconds at) {
  switch (days) {
    case QuotaDays::kPacificTime:
      return pacific_offset(at);
    case QuotaDays::kChinaTime:
      return hours(8);
    case QuotaDays::kUtc:
    case QuotaDays::kPerRequest:
      break;
  }
  return hours(0);
}

}  // namespace

std::time_t quota_day(QuotaDays days, std::time_t at) {
  const sys_seconds instant{seconds(at)};
  const hours offset = offset_of(days, instant);
  const sys_seconds local_midnight = std::chrono::floor<std::chrono::days>(instant + offset);
  // Midnight falls before any change of offset, which comes at 2:00.
  const sys_seconds midnight = local_midnight - offset_of(days, local_midnight - offset);
  return static_cast<std::time_t>(midnight.time_since_epoch().count());
}

std::optional<std::time_t> next_quota_day(QuotaDays days, std::time_t at) {
  if (days == QuotaDays::kPerRequest) return std::nullopt;
  // Days of 23 to 25 hours: 25 hours on from one day's start is within the next.
  return quota_day(days, quota_day(days, at) + 25 * 3600);
}

std::optional<long> daily_quota(const Destination& destination) {
  const std::optional<long> usual = destination.engine->daily_quota;
  if (!usual) return std::nullopt;
  return destination.daily_quota.value_or(*usual);
}

std::optional<long> quota_left(const QuotaDay& day, std::optional<long> daily_quota) {
  if (day.left) return std::max<long>(0, static_cast<long>(*day.left));
  if (daily_quota) return std::max(0L, *daily_quota - static_cast<long>(day.used));
  return std::nullopt;
}

}  // namespace lc::push
