#pragma once
// Splitting a URL into the parts the HTTP client needs, with libcurl's URL parser.

#include <optional>
#include <string_view>

#include "platform/http_transport.h"

namespace lc::platform {

// Only http and https URLs with a host split; the path stays empty when the URL has none.
std::optional<CrackedUrl> split_url(std::u16string_view url);

}  // namespace lc::platform
