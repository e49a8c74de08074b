#include "push/engines/retrying_engine.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// A request goes at most this many times: an engine that asks to wait again and again, or keeps
// failing, has its links wait for the next run.
constexpr int kMostAttempts = 5;
// Retry-After of 0, a date already past or a fraction of a second is no reason to ask again at
// once: without a floor, a throttling server was asked hundreds of times a second.
constexpr double kLeastWaitSeconds = 1;
// A failure that may pass is tried again after about a second, each further time after about
// twice as long (jittered, so that many runs do not come back at once).
constexpr double kFirstRetrySeconds = 1;

}  // namespace

RetryingEngine::RetryingEngine(std::unique_ptr<Engine> engine, double max_wait_seconds,
                               std::function<void(const std::string&)> note,
                               std::function<void(const std::string&)> setback)
    : engine_(std::move(engine)),
      max_wait_seconds_(max_wait_seconds),
      note_(std::move(note)),
      setback_(std::move(setback)) {}

BatchOutcome RetryingEngine::send(std::span<const std::string_view> links) {
  return with_retries([&] { return engine_->send(links); });
}

BatchOutcome RetryingEngine::send_removed(std::span<const std::string_view> links) {
  return with_retries([&] { return engine_->send_removed(links); });
}

BatchOutcome RetryingEngine::with_retries(const std::function<BatchOutcome()>& send) {
  for (int attempt = 1;; ++attempt) {
    BatchOutcome outcome = send();
    const bool asks_to_wait =
        outcome.retry_after && (outcome.status_number == 429 || outcome.status_number == 503);
    const bool may_pass = outcome.kind == BatchOutcome::Kind::kUnreachable ||
                          (outcome.status_number >= 500 && outcome.status_number < 600);
    if (!asks_to_wait && !may_pass) return outcome;
    const double seconds =
        asks_to_wait ? std::max(kLeastWaitSeconds, static_cast<double>(*outcome.retry_after))
                     : kFirstRetrySeconds * (1 << (attempt - 1)) *
                           std::uniform_real_distribution(0.5, 1.5)(jitter_);
    if (attempt == kMostAttempts || waited_ + seconds > max_wait_seconds_) {
      setback_(texts::filled(texts::kSetbackLeft, {{"status", outcome.status}}));
      throttled_ = asks_to_wait;
      if (throttled_ && attempt == kMostAttempts) {
        note_(texts::filled(texts::kAskedToWaitTooOften, {{"attempts", std::to_string(attempt)}}));
      } else if (throttled_) {
        note_(texts::filled(texts::kWaitTooLong,
                            {{"seconds", std::to_string(*outcome.retry_after)}}));
      }
      return outcome;
    }
    const std::string retry = texts::filled(
        texts::kWaitingToRetry, {{"seconds", std::to_string(static_cast<long>(seconds + 0.5))},
                                 {"status", outcome.status}});
    note_(retry);
    setback_(retry);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    waited_ += seconds;
  }
}

}  // namespace lc::push
