#include "push/content_check.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/utf8_files.h"
#include "push/client.h"
#include "push/content_hash.h"
#include "push/sqlite_db.h"

namespace lc::push {
namespace {

// A page past the sitemap protocol's bound for a sitemap is no page worth hashing whole.
constexpr std::size_t kLargestPage = 50 * 1024 * 1024;

constexpr std::string_view kValidatorsTable =
    "CREATE TABLE IF NOT EXISTS pages(url TEXT PRIMARY KEY, etag TEXT, last_modified TEXT, "
    "content_hash INTEGER) WITHOUT ROWID";

struct Fetch {
  std::string etag, last_modified;         // sent, then as the answer gave them
  std::optional<std::int64_t> known_hash;  // of the content last fetched
  enum class Came { kNothing, kNotModified, kContent } came = Came::kNothing;
  std::optional<std::uint64_t> hash;
};

void fetch(std::string_view url, Fetch& page, ContentHasher& hasher) {
  const Reply reply = http_exchange(url, {.largest_body = kLargestPage,
                                          .if_none_match = page.etag,
                                          .if_modified_since = page.last_modified});
  if (reply.status == 304) {
    page.came = Fetch::Came::kNotModified;
    return;
  }
  if (!reply.answered_2xx() || reply.too_large) return;
  page.hash = hasher.hash(reply.body);
  if (!page.hash) return;
  page.came = Fetch::Came::kContent;
  page.etag = reply.etag;
  page.last_modified = reply.last_modified;
}

}  // namespace

std::optional<std::string> check_contents(const ContentCheck& check,
                                          const std::vector<std::string_view>& links,
                                          std::vector<std::optional<std::uint64_t>>& hashes,
                                          ContentCheckCounts& counts) {
  const auto start = std::chrono::steady_clock::now();
  const std::size_t fetched = std::min(links.size(), check.budget);
  std::vector<Fetch> pages(fetched);
  try {
    // Beside a record that is not made yet, in a state directory that may not be either.
    std::error_code ignored;
    std::filesystem::create_directories(platform::utf8_path(check.validators).parent_path(),
                                        ignored);
    Database db(check.validators, true);
    db.execute(kValidatorsTable);
    {
      Statement known =
          db.prepare("SELECT etag, last_modified, content_hash FROM pages WHERE url = ?");
      for (std::size_t at = 0; at < fetched; ++at) {
        if (!known.bind(links[at]).step()) continue;
        pages[at].etag = known.text(0);
        pages[at].last_modified = known.text(1);
        pages[at].known_hash = known.optional_integer(2);
        known.run();
      }
    }
    std::atomic<std::size_t> next = 0;
    std::vector<std::thread> workers;
    for (std::size_t n = 0; n < std::max<std::size_t>(1, check.concurrency); ++n) {
      workers.emplace_back([&] {
        ContentHasher hasher(check.ignore_content);
        for (std::size_t at; (at = next++) < fetched;)
          fetch(links[at], pages[at], hasher);
      });
    }
    for (std::thread& worker : workers)
      worker.join();

    Transaction keep(db);
    Statement store = db.prepare(
        "INSERT OR REPLACE INTO pages(url, etag, last_modified, content_hash) VALUES(?, ?, ?, ?)");
    hashes.assign(links.size(), std::nullopt);
    for (std::size_t at = 0; at < fetched; ++at) {
      const Fetch& page = pages[at];
      if (page.came == Fetch::Came::kNothing) {
        ++counts.failed;
      } else if (page.came == Fetch::Came::kNotModified) {
        ++counts.not_modified;
      } else {
        const auto hash = std::bit_cast<std::int64_t>(*page.hash);
        ++(page.known_hash == hash ? counts.same : counts.changed);
        hashes[at] = page.hash;
        store.bind(links[at], page.etag, page.last_modified, hash).run();
      }
    }
    keep.commit();
  } catch (const DatabaseError& error) {
    return check.validators + ": " + error.what();
  }
  counts.over_budget += links.size() - fetched;
  counts.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return std::nullopt;
}

}  // namespace lc::push
