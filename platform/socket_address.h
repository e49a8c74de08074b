#pragma once
// A numeric IPv4 or IPv6 address and a port, as the system's socket calls take them.

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace lc::platform {

struct SocketAddress {
  std::array<unsigned char, 128> bytes{};  // a sockaddr_in or sockaddr_in6
  std::size_t size = 0;
  bool ipv6 = false;
};

// None where `host` is no numeric address.
std::optional<SocketAddress> socket_address(const std::string& host, int port);

}  // namespace lc::platform
