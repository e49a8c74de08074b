#pragma once
// Bing's GetUrlInfo: what its crawler knows of one link of a site (when it found and last
// crawled the page, and the status it met there). Bing tells crawled, not indexed: a page
// crawled with a status of 2xx is counted as indexed.

#include <ctime>
#include <memory>
#include <optional>
#include <string_view>

#include "push/engines/engine.h"
#include "push/engines/inspection.h"

namespace lc::push {

// A date as the API writes it, "/Date(1733011200000)/" (milliseconds since 1970, perhaps with an
// offset after them); empty for none, or for the API's "never" (a date before 1971).
std::optional<std::time_t> parse_bing_date(std::string_view text);

// What an answer of `status` and `body` to GetUrlInfo tells.
InspectionOutcome read_url_info(int status, std::string_view body);

std::unique_ptr<Inspector> bing_inspector(const Destination& destination,
                                          const InspectionSettings& settings);

}  // namespace lc::push
