#include "push/commands/minute_pace.h"

#include <thread>

namespace lc::push {

MinutePace::MinutePace(std::optional<long> limit, std::chrono::steady_clock::duration window)
    : limit_(limit), window_(window) {}

void MinutePace::wait() {
  if (!limit_) return;
  const auto now = std::chrono::steady_clock::now();
  if (sent_.size() >= static_cast<std::size_t>(*limit_)) {
    const auto free_at = sent_.front() + window_;
    if (free_at > now) std::this_thread::sleep_for(free_at - now);
    sent_.pop_front();
  }
  sent_.push_back(std::chrono::steady_clock::now());
}

}  // namespace lc::push
