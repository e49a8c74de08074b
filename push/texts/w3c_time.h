#pragma once
// Dates and times as the web writes them: W3C dates and times, as sitemaps write <lastmod> and
// the record shows its events, and HTTP dates, as answers write Retry-After.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace lc::push {

// A W3C date or date and time, as seconds since 1970 in UTC; empty when unreadable.
std::optional<std::time_t> parse_w3c_time(std::string_view text);

// An HTTP date (IMF-fixdate: "Sun, 06 Nov 1994 08:49:37 GMT"), as seconds since 1970; empty
// when unreadable.
std::optional<std::time_t> parse_http_date(std::string_view text);

// Now, as seconds since 1970: the record's times and the queries' days.
std::time_t seconds_now();

// Seconds since 1970 as a W3C time in UTC: 2026-12-07T03:00:00Z.
std::string w3c_time(std::time_t seconds);

}  // namespace lc::push
