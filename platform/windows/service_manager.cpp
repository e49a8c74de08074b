#include "platform/service_manager.h"

// A service on Windows runs in its console or as the user's task at logon: no manager listens.

namespace lc::platform {

void tell_service_manager(std::string_view) {}

std::optional<std::chrono::microseconds> watchdog_interval() {
  return std::nullopt;
}

std::optional<int> handed_listening_socket() {
  return std::nullopt;
}

}  // namespace lc::platform
