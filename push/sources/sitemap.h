#pragma once
// Sitemaps (sitemaps.org): the page links of a urlset, or the sitemaps an index names; gzip
// is unpacked first.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct SitemapPage {
  std::string location;
  std::string last_modified;  // as written in <lastmod>; empty when absent
};

struct Sitemap {
  std::vector<SitemapPage> pages;     // a <urlset>'s
  std::vector<std::string> sitemaps;  // a <sitemapindex>'s
};

// The sitemap protocol's bound on a sitemap, unpacked: 50 MB.
inline constexpr std::size_t kLargestSitemap = 52'428'800;

// Reads `data` (XML, or gzip around it). Throws a Failure (a usage or input error) whose message
// is the line and the reason for data that is no sitemap: malformed XML, HTML or any other root
// element, or one that unpacks to more than kLargestSitemap.
Sitemap read_sitemap(std::string_view data);

}  // namespace lc::push
