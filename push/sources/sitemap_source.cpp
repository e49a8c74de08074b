#include "push/sources/sitemap_source.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/utf8_files.h"
#include "push/engines/client.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// Indexes name sitemaps, not other indexes; a bound keeps a looping or runaway index finite.
constexpr std::size_t kMostSitemaps = 1000;

[[noreturn]] void refuse(const std::string& source, std::string_view reason) {
  throw Failure(kUsageOrInput, texts::about(source, reason));
}

// A sitemap's bytes; larger ones are refused before they are held whole (a gzip sitemap is no
// larger than what it unpacks to).
std::string fetch(const std::string& source) {
  if (is_web_address(source)) {
    Reply reply = http_exchange(source, {.largest_body = kLargestSitemap});
    if (reply.too_large) refuse(source, texts::kSitemapTooLarge);
    if (!reply.answered_2xx())
      refuse(source, reply.status_text.empty() ? texts::kNoAnswer : reply.status_text);
    return std::move(reply.body);
  }
  std::error_code error;
  if (std::filesystem::file_size(platform::utf8_path(source), error) > kLargestSitemap && !error)
    refuse(source, texts::kSitemapTooLarge);
  return read_file(source);
}

// The sitemap at `source`, its bytes chained into `digest`; what is wrong with it named by its
// source.
Sitemap sitemap_at(const std::string& source, std::uint64_t& digest) {
  const std::string data = fetch(source);
  digest = XXH3_64bits_withSeed(data.data(), data.size(), digest);
  try {
    return read_sitemap(data);
  } catch (const Failure& failure) {
    refuse(source, failure.what());
  }
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

  // The next sitemap's pages; empty at the end, or when one failed (see `failure`).
  std::optional<std::vector<SitemapPage>> next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) return std::nullopt;
    std::vector<SitemapPage> pages = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return pages;
  }

  const std::optional<Failure>& failure() const { return failure_; }

  // Once `next` gave nothing: every source's digest.
  const SitemapDigests& digests() const { return digests_; }

 private:
  // A failure is handed over too, to be thrown where the pages are taken.
  void read_all(std::vector<std::string> sources) {
    std::optional<Failure> failure;
    try {
      read_each(sources);
    } catch (const Failure& caught) {
      failure = caught;
    }
    const std::lock_guard lock(mutex_);
    failure_ = failure;
    finished_ = true;
    changed_.notify_all();
  }

  // Breadth first, each sitemap with the source that named it.
  void read_each(const std::vector<std::string>& sources) {
    std::deque<std::pair<std::string, std::string>> waiting;
    for (const std::string& source : sources)
      waiting.emplace_back(source, source);
    std::set<std::string> seen;
    while (!waiting.empty()) {
      const auto [source, root] = waiting.front();
      waiting.pop_front();
      if (!seen.insert(source).second) continue;
      if (seen.size() > kMostSitemaps) {
        refuse(source,
               texts::filled(texts::kTooManySitemaps, {{"count", std::to_string(kMostSitemaps)}}));
      }
      Sitemap sitemap = sitemap_at(source, digests_[root]);
      for (std::string& named : sitemap.sitemaps)
        waiting.emplace_back(std::move(named), root);
      if (!hand_over(std::move(sitemap.pages))) return;
    }
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
  std::optional<Failure> failure_;
  SitemapDigests digests_;  // the reading thread's until it finishes
  std::thread thread_;      // last: it starts once everything it uses is there
};

}  // namespace

void read_sitemaps(const std::vector<std::string>& sources,
                   const std::function<void(std::vector<SitemapPage>&)>& each,
                   SitemapDigests* digests) {
  SitemapReader reader(sources);
  while (std::optional<std::vector<SitemapPage>> pages = reader.next())
    each(*pages);
  if (reader.failure()) throw *reader.failure();
  if (digests != nullptr) *digests = reader.digests();
}

}  // namespace lc::push
