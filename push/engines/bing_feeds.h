#pragma once
// Bing's sitemaps: SubmitFeed hands one to the site, GetFeeds tells what became of the site's
// sitemaps (when each was last crawled, and its status).

#include <memory>
#include <string_view>

#include "push/engines/engine.h"
#include "push/engines/sitemap_submission.h"

namespace lc::push {

// What an answer of `status` and `body` to GetFeeds tells of the sitemap at `address`.
SitemapAnswer read_bing_feeds(int status, std::string_view body, std::string_view address);

std::unique_ptr<SitemapSubmitter> bing_feed_submitter(const Destination& destination,
                                                      const SitemapSettings& settings);

}  // namespace lc::push
