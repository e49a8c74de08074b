#pragma once
// The settings of `serve`, the service that takes links as a site publishes them: where it
// listens, the token its callers show, and how often a link is sent. The config's [serve] table and
// the command line share their declarations.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "push/engines/setting.h"

namespace lc::push {

inline constexpr const char* kDefaultListen = "127.0.0.1:8474";

struct ServeSettings {
  std::string listen = kDefaultListen;  // ADDRESS:PORT; an IPv6 address in brackets
  std::string token;                    // what callers show as "Authorization: Bearer TOKEN"
  double debounce = 600;                // seconds within which a link published again is one
  double flush_after = 60;              // seconds from a site's first waiting link to its sending

  bool operator==(const ServeSettings&) const = default;
};

std::span<const Setting<ServeSettings>> serve_settings();

// An address to listen at, as ADDRESS:PORT gives it (port 0: one the system picks; an IPv6
// address in brackets, given without them); none where the text is no such address.
struct ListenAddress {
  std::string host;
  int port = 0;
};
std::optional<ListenAddress> listen_address(std::string_view text);

}  // namespace lc::push
