#pragma once

#include <chrono>
#include <deque>
#include <optional>

namespace lc::push {

// Keeps the requests of any one window (an engine's minute) within a limit: the next waits until
// the one that many requests before it is a window old. Unbounded without a limit.
class MinutePace {
 public:
  explicit MinutePace(std::optional<long> limit,
                      std::chrono::steady_clock::duration window = std::chrono::minutes(1));

  // Returns once the next request may go.
  void wait();

 private:
  std::optional<long> limit_;
  std::chrono::steady_clock::duration window_;
  std::deque<std::chrono::steady_clock::time_point> sent_;
};

}  // namespace lc::push
