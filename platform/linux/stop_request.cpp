#include "platform/stop_request.h"

#include <signal.h>

namespace lc::platform {
namespace {

sigset_t stop_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

}  // namespace

StopRequest::StopRequest() {
  // Held back in this thread and in every thread it starts, the signals wait for sigwait.
  const sigset_t signals = stop_signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void StopRequest::wait() {
  const sigset_t signals = stop_signals();
  int received = 0;
  while (sigwait(&signals, &received) != 0) {
  }
}

}  // namespace lc::platform
