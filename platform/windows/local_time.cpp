#include "platform/local_time.h"

namespace lc::platform {

std::tm local_time_of(std::time_t moment) {
  std::tm local{};
  ::localtime_s(&local, &moment);
  return local;
}

// The C library here keeps no offset in its broken-down time: the two readings of one moment
// tell it.
long utc_offset_minutes(std::time_t moment) {
  const std::tm local = local_time_of(moment);
  std::tm utc{};
  ::gmtime_s(&utc, &moment);
  int days = local.tm_yday - utc.tm_yday;
  if (days > 1) days = -1;  // the year turned between the two
  if (days < -1) days = 1;
  return days * 24L * 60 + (local.tm_hour - utc.tm_hour) * 60L + (local.tm_min - utc.tm_min);
}

}  // namespace lc::platform
