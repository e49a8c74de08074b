#include "push/sitemap_source.h"

#include <deque>
#include <optional>
#include <set>

#include "http/http_request.h"
#include "push/file_text.h"

namespace lc::push {
namespace {

// Indexes name sitemaps, not other indexes; a bound keeps a looping or runaway index finite.
constexpr std::size_t kMostSitemaps = 1000;

bool is_address(const std::string& source) {
  return source.starts_with("http://") || source.starts_with("https://");
}

std::optional<std::string> fetch(const std::string& source, std::string& error) {
  if (is_address(source)) {
    Text status;
    ByteArray bytes;
    http_request(source, {.status = &status, .response_bytes = &bytes});
    if (!status.starts_with('2')) {
      error = status.empty() ? "no answer" : status;
      return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
  }
  std::optional<std::string> data = read_file(source, error);
  if (!data) error = std::strerror(errno);  // the caller names the source
  return data;
}

}  // namespace

bool read_sitemaps(const std::vector<std::string>& sources, std::vector<SitemapPage>& pages,
                   std::string& error) {
  std::deque<std::string> waiting(sources.begin(), sources.end());
  std::set<std::string> seen;
  while (!waiting.empty()) {
    const std::string source = waiting.front();
    waiting.pop_front();
    if (!seen.insert(source).second) continue;
    if (seen.size() > kMostSitemaps) {
      error = source + ": more than " + std::to_string(kMostSitemaps) + " sitemaps";
      return false;
    }
    std::string reason;
    const std::optional<std::string> data = fetch(source, reason);
    const std::optional<Sitemap> sitemap = data ? read_sitemap(*data, reason) : std::nullopt;
    if (!sitemap) {
      error = source + ": " + reason;
      return false;
    }
    pages.insert(pages.end(), sitemap->pages.begin(), sitemap->pages.end());
    waiting.insert(waiting.end(), sitemap->sitemaps.begin(), sitemap->sitemaps.end());
  }
  return true;
}

}  // namespace lc::push
