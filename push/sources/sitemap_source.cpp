#include "push/sources/sitemap_source.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "push/engines/client.h"
#include "push/texts/file_text.h"
#include "push/texts/push_texts.h"

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

// Sitemaps read one after another on a thread of their own, each handed over whole, so that
// reading the next goes on while the caller takes in the last one's pages. At most two wait.
class SitemapReader {
 public:
  explicit SitemapReader(const std::vector<std::string>& sources)
      : thread_([this, sources] { read_all(sources); }) {}

  ~SitemapReader() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // The next sitemap's pages; empty at the end, or when one failed (see `error`).
  std::optional<std::vector<SitemapPage>> next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) return std::nullopt;
    std::vector<SitemapPage> pages = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return pages;
  }

  const std::string& error() const { return error_; }

 private:
  void read_all(std::vector<std::string> sources) {
    std::string error;
    const bool read = read_each(sources, error);
    const std::lock_guard lock(mutex_);
    if (!read) error_ = error;
    finished_ = true;
    changed_.notify_all();
  }

  bool read_each(const std::vector<std::string>& sources, std::string& error) {
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
      waiting.insert(waiting.end(), sitemap->sitemaps.begin(), sitemap->sitemaps.end());
      if (!hand_over(std::move(sitemap->pages))) return true;
    }
    return true;
  }

  // False when the caller stopped listening.
  bool hand_over(std::vector<SitemapPage> pages) {
    if (pages.empty()) return true;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_.size() < 2 || stopping_; });
    if (stopping_) return false;
    ready_.push_back(std::move(pages));
    changed_.notify_all();
    return true;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<SitemapPage>> ready_;
  bool finished_ = false;
  bool stopping_ = false;
  std::string error_;
  std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace

bool read_sitemaps(const std::vector<std::string>& sources,
                   const std::function<void(std::vector<SitemapPage>&)>& each, std::string& error) {
  SitemapReader reader(sources);
  while (std::optional<std::vector<SitemapPage>> pages = reader.next())
    each(*pages);
  error = reader.error();
  return error.empty();
}

}  // namespace lc::push
