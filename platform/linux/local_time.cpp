#include "platform/local_time.h"

namespace lc::platform {

std::tm local_time_of(std::time_t moment) {
  std::tm local{};
  ::localtime_r(&moment, &local);
  return local;
}

long utc_offset_minutes(std::time_t moment) {
  return local_time_of(moment).tm_gmtoff / 60;
}

}  // namespace lc::platform
