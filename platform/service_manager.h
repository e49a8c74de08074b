#pragma once
// The service manager a service may run under (systemd): told how the service stands, asked how
// often it wants to hear that the service is alive, and the listening socket it may hand over.
// Where no manager listens (a console, Windows), nothing is told and nothing handed over.

#include <chrono>
#include <optional>
#include <string_view>

namespace lc::platform {

// Tells the manager a state in its own words: "READY=1", "RELOADING=1", "STOPPING=1",
// "WATCHDOG=1", "STATUS=…".
void tell_service_manager(std::string_view state);

// How often the manager wants to hear "WATCHDOG=1"; none where it does not watch.
std::optional<std::chrono::microseconds> watchdog_interval();

// The listening socket the manager handed over (socket activation), as a descriptor; none
// where it handed none.
std::optional<int> handed_listening_socket();

}  // namespace lc::platform
