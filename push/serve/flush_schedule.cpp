#include "push/serve/flush_schedule.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace lc::push {
namespace {

// A flush that left links waiting is tried again after at least this, doubled each time.
constexpr double kFirstRetrySeconds = 10;
constexpr double kLongestRetrySeconds = 3600;

double jittered(double seconds) {
  thread_local std::mt19937 random(std::random_device{}());
  return seconds * std::uniform_real_distribution<double>(0.8, 1.2)(random);
}

}  // namespace

FlushSchedule::FlushSchedule(double delay_seconds) : delay_(delay_seconds) {}

void FlushSchedule::waiting(const std::string& site) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Site& entry = sites_[site];
  auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(delay_);
  // Links arriving while an engine fails wait for its retry, not sooner.
  if (entry.failures > 0) due = std::max(due, entry.retry_at);
  if (!entry.due || due < *entry.due) entry.due = due;
  changed_.notify_all();
}

void FlushSchedule::flushed(const std::string& site, const FlushOutcome& outcome) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Site& entry = sites_[site];
  entry.last_error = outcome.error;
  if (outcome.error.empty()) {
    entry.failures = 0;
    // Links taken since the flush began made it due again already.
    const auto due = Clock::now() + std::chrono::duration_cast<Clock::duration>(delay_);
    if (outcome.more && (!entry.due || due < *entry.due)) entry.due = due;
    changed_.notify_all();
    return;
  }
  const double retry =
      std::min(kLongestRetrySeconds, std::max(kFirstRetrySeconds, delay_.count()) *
                                         std::pow(2.0, std::min(entry.failures, 16)));
  ++entry.failures;
  entry.retry_at = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(jittered(retry)));
  entry.due = entry.retry_at;
  changed_.notify_all();
}

std::optional<std::string> FlushSchedule::next_due() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (stopped_) return std::nullopt;
    auto soonest = sites_.end();
    for (auto site = sites_.begin(); site != sites_.end(); ++site) {
      if (site->second.due && (soonest == sites_.end() || *site->second.due < *soonest->second.due))
        soonest = site;
    }
    if (soonest == sites_.end()) {
      changed_.wait(lock);
    } else if (*soonest->second.due <= Clock::now()) {
      soonest->second.due.reset();
      return soonest->first;
    } else {
      changed_.wait_until(lock, *soonest->second.due);
    }
  }
}

void FlushSchedule::stop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

FlushState FlushSchedule::state_of(const std::string& site) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto found = sites_.find(site);
  if (found == sites_.end()) return {};
  FlushState state{.next = std::nullopt, .last_error = found->second.last_error};
  if (found->second.due) state.next = Clock::to_time_t(*found->second.due);
  return state;
}

}  // namespace lc::push
