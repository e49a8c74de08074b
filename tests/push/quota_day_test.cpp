// The days engines count their quotas by: Pacific time with its summer hour, China time, UTC.
#include "push/engines/quota_day.h"

#include <gtest/gtest.h>

#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

TEST(QuotaDayTest, DaysBeginAtTheEnginesMidnight) {
  using enum QuotaDays;
  const struct {
    QuotaDays days;
    const char* at;
    const char* day;
    const char* next;
  } cases[] = {
      {kPacificTime, "2026-12-08T07:59:59Z", "2026-12-07T08:00:00Z", "2026-12-08T08:00:00Z"},
      {kPacificTime, "2026-12-08T08:00:00Z", "2026-12-08T08:00:00Z", "2026-12-09T08:00:00Z"},
      {kPacificTime, "2026-07-01T06:59:59Z", "2026-06-30T07:00:00Z", "2026-07-01T07:00:00Z"},
      // The day summer time begins has 23 hours, the day it ends 25, before and after 2:00.
      {kPacificTime, "2026-03-08T09:59:59Z", "2026-03-08T08:00:00Z", "2026-03-09T07:00:00Z"},
      {kPacificTime, "2026-03-08T23:00:00Z", "2026-03-08T08:00:00Z", "2026-03-09T07:00:00Z"},
      {kPacificTime, "2026-11-01T08:59:59Z", "2026-11-01T07:00:00Z", "2026-11-02T08:00:00Z"},
      {kPacificTime, "2026-11-01T12:00:00Z", "2026-11-01T07:00:00Z", "2026-11-02T08:00:00Z"},
      {kChinaTime, "2026-12-07T15:59:59Z", "2026-12-06T16:00:00Z", "2026-12-07T16:00:00Z"},
      {kChinaTime, "2026-12-07T16:00:00Z", "2026-12-07T16:00:00Z", "2026-12-08T16:00:00Z"},
      {kUtc, "2026-12-07T23:59:59Z", "2026-12-07T00:00:00Z", "2026-12-08T00:00:00Z"},
  };
  for (const auto& c : cases) {
    const std::time_t at = *parse_w3c_time(c.at);
    EXPECT_EQ(w3c_time(quota_day(c.days, at)), c.day) << c.at;
    EXPECT_EQ(w3c_time(*next_quota_day(c.days, at)), c.next) << c.at;
  }
  EXPECT_FALSE(next_quota_day(kPerRequest, 0));
}

}  // namespace
}  // namespace lc::push
