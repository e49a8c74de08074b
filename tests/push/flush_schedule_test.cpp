// When the service flushes a site: at once where nothing delays it, again after the delay where
// more waits, and later each time a flush fails, never sooner than ten seconds, however many
// links arrive meanwhile.
#include "push/serve/flush_schedule.h"

#include <gtest/gtest.h>

#include <ctime>

namespace lc::push {
namespace {

TEST(FlushScheduleTest, FailuresWaitLongerEachTimeAndMoreComesAtTheDelay) {
  FlushSchedule schedule(0);
  schedule.waiting("www");
  EXPECT_EQ(schedule.next_due(), "www");
  EXPECT_FALSE(schedule.state_of("www").next) << "nothing is due once it is flushed";

  std::time_t before = 0;
  for (int failure = 0; failure < 3; ++failure) {
    schedule.flushed("www", {.error = "down", .more = false});
    const FlushState state = schedule.state_of("www");
    ASSERT_TRUE(state.next);
    const std::time_t wait = *state.next - std::time(nullptr);
    // 10 s, then 20, then 40, each within a fifth either way.
    EXPECT_GE(wait, (10 << failure) * 4 / 5 - 1) << failure;
    EXPECT_LE(wait, (10 << failure) * 6 / 5 + 1) << failure;
    EXPECT_GT(*state.next, before);
    EXPECT_EQ(state.last_error, "down");
    before = *state.next;
  }
  // Links taken meanwhile wait for the retry.
  schedule.waiting("www");
  EXPECT_EQ(schedule.state_of("www").next, before);
  // A flush that sent all it read, with more waiting, is due again after the delay: now.
  schedule.flushed("www", {.error = "", .more = true});
  EXPECT_EQ(schedule.state_of("www").last_error, "");
  EXPECT_EQ(schedule.next_due(), "www");
  schedule.stop();
  EXPECT_FALSE(schedule.next_due());
}

}  // namespace
}  // namespace lc::push
