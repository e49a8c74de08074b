#pragma once
// The Windows proxy-list syntax: entries separated by ';' or spaces, each "host:port" (serving
// every scheme) or "scheme=host:port" (serving that scheme only).

#include <optional>
#include <string>
#include <string_view>

namespace lc::platform {

// The "host:port" that serves URLs of `scheme` ("http" or "https"), or nothing: go direct.
std::optional<std::string> proxy_for_scheme(std::string_view proxy_list, std::string_view scheme);

}  // namespace lc::platform
