#include "push/sitemap_source.h"

#include <deque>
#include <optional>
#include <set>
#include <system_error>

#include "push/client.h"
#include "push/file_text.h"
#include "push/push_texts.h"

namespace lc::push {
namespace {

// Indexes name sitemaps, not other indexes; a bound keeps a looping or runaway index finite.
constexpr std::size_t kMostSitemaps = 1000;

bool is_address(const std::string& source) {
  return source.starts_with("http://") || source.starts_with("https://");
}

// A sitemap's bytes; larger ones are refused before they are held whole (a gzip sitemap is no
// larger than what it unpacks to).
std::optional<std::string> fetch(const std::string& source, std::string& reason) {
  if (is_address(source)) {
    Reply reply = http_exchange(source, {.largest_body = kLargestSitemap});
    if (reply.too_large) {
      reason = texts::kSitemapTooLarge;
    } else if (!reply.answered_2xx()) {
      reason = reply.status_text.empty() ? std::string(texts::kNoAnswer) : reply.status_text;
    } else {
      return std::move(reply.body);
    }
    return std::nullopt;
  }
  std::error_code error;
  if (std::filesystem::file_size(platform::utf8_path(source), error) > kLargestSitemap && !error) {
    reason = texts::kSitemapTooLarge;
    return std::nullopt;
  }
  return read_file(source, reason);
}

}  // namespace

bool read_sitemaps(const std::vector<std::string>& sources,
                   const std::function<void(std::vector<SitemapPage>&)>& each, std::string& error) {
  std::deque<std::string> waiting(sources.begin(), sources.end());
  std::set<std::string> seen;
  while (!waiting.empty()) {
    const std::string source = waiting.front();
    waiting.pop_front();
    if (!seen.insert(source).second) continue;
    if (seen.size() > kMostSitemaps) {
      error = texts::about(source, texts::filled(texts::kTooManySitemaps,
                                                 {{"count", std::to_string(kMostSitemaps)}}));
      return false;
    }
    std::string reason;
    const std::optional<std::string> data = fetch(source, reason);
    std::optional<Sitemap> sitemap = data ? read_sitemap(*data, reason) : std::nullopt;
    if (!sitemap) {
      error = texts::about(source, reason);
      return false;
    }
    if (!sitemap->pages.empty()) each(sitemap->pages);
    waiting.insert(waiting.end(), sitemap->sitemaps.begin(), sitemap->sitemaps.end());
  }
  return true;
}

}  // namespace lc::push
