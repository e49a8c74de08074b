#pragma once
// A service's stop: the system asking it to end (SIGTERM, or Ctrl+C in its console).

namespace lc::platform {

class StopRequest {
 public:
  // Made before the service starts its threads, so that the request reaches the waiting thread
  // rather than one of them.
  StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Returns once a stop is asked for.
  void wait();
};

}  // namespace lc::platform
