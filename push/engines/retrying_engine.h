#pragma once
// One retry policy for every engine, as a wrapper around it: what the engine asks to wait
// (429 or 503 with Retry-After) is waited out, failures that may pass (other 5xx, broken
// connections) are tried again further apart each time, refusals never; each request at most a
// few times and all of it within the run's --max-wait.

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "push/engines/engine.h"

namespace lc::push {

class RetryingEngine : public Engine {
 public:
  // `note` tells the user of each wait, in words with the engine's status; `setback` hears of
  // every temporary failure, in words with what followed it (a retry, or the links left waiting).
  RetryingEngine(std::unique_ptr<Engine> engine, double max_wait_seconds,
                 std::function<void(const std::string&)> note,
                 std::function<void(const std::string&)> setback);

  std::optional<BatchOutcome> prepare() override { return engine_->prepare(); }
  std::optional<long> quota() const override { return engine_->quota(); }
  BatchOutcome send(std::span<const std::string_view> links) override;
  BatchOutcome send_removed(std::span<const std::string_view> links) override;
  std::vector<std::string> secrets() const override { return engine_->secrets(); }

  // Whether an engine asked to wait longer than the run may, or asked again past the attempts.
  bool throttled() const { return throttled_; }

 private:
  BatchOutcome with_retries(const std::function<BatchOutcome()>& send);

  std::unique_ptr<Engine> engine_;
  double max_wait_seconds_;
  std::function<void(const std::string&)> note_;
  std::function<void(const std::string&)> setback_;
  double waited_ = 0;  // seconds, in all
  bool throttled_ = false;
  std::mt19937 jitter_{std::random_device{}()};
};

}  // namespace lc::push
