#pragma once
// When the service next sends each site's waiting links: a short delay after the first link that
// waits, so that a burst of publishing goes out in few requests; after a flush that left links
// waiting (an engine down, a quota spent), later each time, up to an hour, with jitter so that
// services restarted together do not ask together.

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace lc::push {

// What the service's status tells of a site's flushing.
struct FlushState {
  std::optional<std::time_t> next;  // when it is due; none while nothing is known to wait
  std::string last_error;           // of the last flush; empty when it sent everything
};

struct FlushOutcome {
  std::string error;  // empty where everything the flush read went
  bool more = false;  // links wait that the flush did not read
};

class FlushSchedule {
 public:
  explicit FlushSchedule(double delay_seconds);

  // Links wait for `site`: it is due after the delay, unless it is due sooner already.
  void waiting(const std::string& site);
  // The site's flush ended: with nothing left, with more it did not read (due again after the
  // delay), or with `error` and links left (due again later each time).
  void flushed(const std::string& site, const FlushOutcome& outcome);
  // Waits until a site is due and gives it; none once stopped.
  std::optional<std::string> next_due();
  void stop();

  FlushState state_of(const std::string& site) const;

 private:
  using Clock = std::chrono::system_clock;
  struct Site {
    std::optional<Clock::time_point> due;
    std::string last_error;
    int failures = 0;            // in a row
    Clock::time_point retry_at;  // after the last of them
  };

  std::chrono::duration<double> delay_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Site> sites_;
  bool stopped_ = false;
};

}  // namespace lc::push
