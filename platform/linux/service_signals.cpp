#include "platform/service_signals.h"

#include <signal.h>

#include <ctime>

namespace lc::platform {
namespace {

sigset_t service_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  return signals;
}

}  // namespace

ServiceSignals::ServiceSignals() {
  // Held back in this thread and in every thread it starts, the signals wait for sigtimedwait.
  const sigset_t signals = service_signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

ServiceSignals::Asked ServiceSignals::wait(std::chrono::milliseconds most) {
  const sigset_t signals = service_signals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(most);
  const timespec timeout{
      .tv_sec = static_cast<time_t>(seconds.count()),
      .tv_nsec = static_cast<long>(std::chrono::nanoseconds(most - seconds).count())};
  const int received = sigtimedwait(&signals, nullptr, &timeout);
  if (received == SIGHUP) return Asked::kReload;
  if (received == SIGTERM || received == SIGINT) return Asked::kStop;
  return Asked::kNothing;  // the time passed, or another signal broke the wait
}

}  // namespace lc::platform
