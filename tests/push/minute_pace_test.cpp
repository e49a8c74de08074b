// Inspections are paced by the engine's limit a minute (here a shorter window).
#include "push/commands/minute_pace.h"

#include <gtest/gtest.h>

#include <vector>

namespace lc::push {
namespace {

TEST(MinutePaceTest, NoWindowHoldsMoreThanTheLimit) {
  using namespace std::chrono_literals;
  constexpr auto kWindow = 80ms;
  for (const long limit : {1L, 3L}) {
    MinutePace pace(limit, kWindow);
    std::vector<std::chrono::steady_clock::time_point> sent;
    for (int request = 0; request < 3 * limit + 1; ++request) {
      pace.wait();
      sent.push_back(std::chrono::steady_clock::now());
    }
    for (std::size_t i = limit; i < sent.size(); ++i)
      EXPECT_GE(sent[i] - sent[i - limit], kWindow) << "limit " << limit << ", request " << i;
  }
  // Without a limit nothing waits, however many go.
  MinutePace unbounded(std::nullopt, 1h);
  for (int request = 0; request < 1000; ++request)
    unbounded.wait();
}

}  // namespace
}  // namespace lc::push
