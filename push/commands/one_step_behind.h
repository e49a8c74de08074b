#pragma once
// Work that may overlap the caller's next step but never piles up: tasks run one at a time on a
// thread of their own, and the next is handed over only once the one before is done.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace lc::push {

class OneStepBehind {
 public:
  OneStepBehind();
  // Waits for the task in hand; a failure it had is dropped (call wait() to see it).
  ~OneStepBehind();
  OneStepBehind(const OneStepBehind&) = delete;
  OneStepBehind& operator=(const OneStepBehind&) = delete;

  // Waits for the task before (rethrowing its failure), then starts `task`.
  void run(std::function<void()> task);
  // Waits for the task handed over last; rethrows its failure.
  void wait();
  // Whether no task is in hand.
  bool idle();

 private:
  void serve();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::function<void()>> task_;
  std::exception_ptr failure_;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace lc::push
