#pragma once
// Google's URL Inspection: one link a request, with the service account of the site's Google
// settings, within the property (a URL prefix, or sc-domain: and the domain) the account is a
// user of. Indexed means the verdict PASS, not that indexing is allowed.

#include <memory>
#include <string_view>

#include "push/engines/engine.h"
#include "push/engines/inspection.h"

namespace lc::push {

inline constexpr std::string_view kInspectionScope =
    "https://www.googleapis.com/auth/webmasters.readonly";

// What an answer of `status` and `body` to the inspection of `link` within `property` tells.
// Google's canonical is kept only where it is another page than the link.
InspectionOutcome read_url_inspection(int status, std::string_view body, std::string_view link,
                                      std::string_view property);

std::unique_ptr<Inspector> google_inspector(const Destination& account,
                                            const InspectionSettings& settings);

}  // namespace lc::push
