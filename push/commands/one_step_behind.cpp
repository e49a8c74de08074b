#include "push/commands/one_step_behind.h"

#include <utility>

namespace lc::push {

OneStepBehind::OneStepBehind() : thread_([this] { serve(); }) {}

OneStepBehind::~OneStepBehind() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void OneStepBehind::run(std::function<void()> task) {
  wait();
  {
    const std::lock_guard lock(mutex_);
    task_ = std::move(task);
  }
  changed_.notify_all();
}

void OneStepBehind::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !task_; });
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

bool OneStepBehind::idle() {
  const std::lock_guard lock(mutex_);
  return !task_;
}

void OneStepBehind::serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return task_ || stopping_; });
    if (!task_) return;
    lock.unlock();
    try {
      (*task_)();
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      lock.unlock();
    }
    lock.lock();
    task_.reset();
    changed_.notify_all();
  }
}

}  // namespace lc::push
