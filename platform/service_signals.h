#pragma once
// What the system asks of a running service: to stop (SIGTERM, or Ctrl+C in its console), or to
// read its settings again (SIGHUP; Windows has no such request).

#include <chrono>

namespace lc::platform {

class ServiceSignals {
 public:
  enum class Asked { kNothing, kStop, kReload };

  // Made before the service starts its threads, so that the requests reach the waiting thread
  // rather than one of them.
  ServiceSignals();
  ServiceSignals(const ServiceSignals&) = delete;
  ServiceSignals& operator=(const ServiceSignals&) = delete;

  // Waits up to `most` for a request; kNothing when none came meanwhile.
  Asked wait(std::chrono::milliseconds most);
};

}  // namespace lc::platform
