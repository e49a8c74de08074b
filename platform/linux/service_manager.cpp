#include "platform/service_manager.h"

#include <systemd/sd-daemon.h>

#include <string>

namespace lc::platform {

void tell_service_manager(std::string_view state) {
  sd_notify(0, std::string(state).c_str());
}

std::optional<std::chrono::microseconds> watchdog_interval() {
  std::uint64_t microseconds = 0;
  if (sd_watchdog_enabled(0, &microseconds) <= 0) return std::nullopt;
  return std::chrono::microseconds(microseconds);
}

std::optional<int> handed_listening_socket() {
  // Unset, so that programs the service starts do not take the socket for theirs.
  if (sd_listen_fds(1) < 1) return std::nullopt;
  if (sd_is_socket(SD_LISTEN_FDS_START, 0, SOCK_STREAM, 1) <= 0) return std::nullopt;
  return SD_LISTEN_FDS_START;
}

}  // namespace lc::platform
