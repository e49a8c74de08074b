#pragma once
// Search Console's Sitemaps API: a sitemap submitted to the site's property with a PUT, and read
// back with a GET, on the service account of the site's Google settings.

#include <memory>
#include <string_view>

#include "push/engines/engine.h"
#include "push/engines/sitemap_submission.h"

namespace lc::push {

inline constexpr std::string_view kSitemapsScope = "https://www.googleapis.com/auth/webmasters";

// What an answer of `status` and `body` about a sitemap of `property` tells.
SitemapAnswer read_google_sitemap_answer(int status, std::string_view body,
                                         std::string_view property);

std::unique_ptr<SitemapSubmitter> google_sitemap_submitter(const Destination& account,
                                                           const SitemapSettings& settings);

}  // namespace lc::push
