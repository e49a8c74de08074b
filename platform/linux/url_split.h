#pragma once
// Splitting a URL into the parts the HTTP client needs, with libcurl's URL parser.

#include <curl/curl.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/http_transport.h"

namespace lc::platform {

// One part of a parsed URL; nothing where the URL has no such part.
std::optional<std::string> url_part(CURLU* url, CURLUPart which, unsigned flags = 0);

// Only http and https URLs with a host split; the path stays empty when the URL has none.
std::optional<CrackedUrl> split_url(std::u16string_view url);

}  // namespace lc::platform
