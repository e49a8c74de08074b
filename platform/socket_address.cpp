#include "platform/socket_address.h"

// The same calls on both systems; only their headers differ.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#endif

#include <cstdint>
#include <cstring>

namespace lc::platform {

std::optional<SocketAddress> socket_address(const std::string& host, int port) {
  SocketAddress address;
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  if (inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(address.bytes.data(), &v4, sizeof v4);
    address.size = sizeof v4;
  } else if (inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(address.bytes.data(), &v6, sizeof v6);
    address.size = sizeof v6;
    address.ipv6 = true;
  } else {
    return std::nullopt;
  }
  return address;
}

}  // namespace lc::platform
