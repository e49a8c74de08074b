#include "push/sources/content_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "push/engines/client.h"
#include "push/sources/content_hash.h"

namespace lc::push {
namespace {

// A page past the sitemap protocol's bound for a sitemap is no page worth hashing whole.
constexpr std::size_t kLargestPage = 50 * 1024 * 1024;

struct Fetch {
  PageValidators sent;  // as kept from the last fetch
  enum class Came { kNothing, kNotModified, kContent } came = Came::kNothing;
  PageValidators found;  // as the answer gave them
};

void fetch(std::string_view url, Fetch& page, ContentHasher& hasher) {
  const Reply reply = http_exchange(url, {.largest_body = kLargestPage,
                                          .if_none_match = page.sent.etag,
                                          .if_modified_since = page.sent.last_modified});
  if (reply.status == 304) {
    page.came = Fetch::Came::kNotModified;
    page.found = page.sent;
    return;
  }
  if (!reply.answered_2xx() || reply.too_large) return;
  page.found.content_hash = hasher.hash(reply.body);
  if (!page.found.content_hash) return;
  page.came = Fetch::Came::kContent;
  page.found.etag = reply.etag;
  page.found.last_modified = reply.last_modified;
}

// The positions of the links to fetch this run: within the budget, those never checked first,
// then those checked longest ago, each group in the sitemap's order.
std::vector<std::size_t> turn_of(const std::vector<std::optional<PageValidators>>& kept,
                                 std::size_t budget) {
  std::vector<std::size_t> order(kept.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto last_check = [&](std::size_t at) {
    return kept[at] && kept[at]->checked ? *kept[at]->checked : std::time_t{-1};
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return last_check(a) < last_check(b); });
  order.resize(std::min(order.size(), budget));
  return order;
}

void fetch_all(const ContentCheck& check, const std::vector<std::string_view>& links,
               const std::vector<std::size_t>& turn, std::vector<Fetch>& pages) {
  std::atomic<std::size_t> next = 0;
  std::vector<std::thread> workers;
  for (std::size_t n = 0; n < std::max<std::size_t>(1, check.concurrency); ++n) {
    workers.emplace_back([&] {
      ContentHasher hasher(check.ignore_content);
      for (std::size_t at; (at = next++) < turn.size();)
        fetch(links[turn[at]], pages[at], hasher);
    });
  }
  for (std::thread& worker : workers)
    worker.join();
}

}  // namespace

void check_contents(const ContentCheck& check, PageValidatorStore& store,
                    const std::vector<std::string_view>& links,
                    std::vector<std::optional<std::uint64_t>>& hashes, ContentCheckCounts& counts) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::optional<PageValidators>> kept = store.find(links);
  const std::vector<std::size_t> turn = turn_of(kept, check.budget);
  std::vector<Fetch> pages(turn.size());
  for (std::size_t at = 0; at < turn.size(); ++at)
    pages[at].sent = kept[turn[at]].value_or(PageValidators{});
  fetch_all(check, links, turn, pages);
  const std::time_t now = std::time(nullptr);
  std::vector<PageValidatorStore::Kept> found;
  hashes.assign(links.size(), std::nullopt);
  for (std::size_t at = 0; at < turn.size(); ++at) {
    Fetch& page = pages[at];
    if (page.came == Fetch::Came::kNothing) {
      ++counts.failed;
      continue;
    }
    if (page.came == Fetch::Came::kNotModified) {
      ++counts.not_modified;
    } else {
      ++(page.found.content_hash == page.sent.content_hash ? counts.same : counts.changed);
      hashes[turn[at]] = page.found.content_hash;
    }
    page.found.checked = now;
    found.push_back({links[turn[at]], page.found});
  }
  store.keep(found);
  counts.over_budget += links.size() - turn.size();
  counts.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace lc::push
