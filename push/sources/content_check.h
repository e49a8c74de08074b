#pragma once
// Sitemaps whose dates cannot be trusted: each listed page is fetched with a conditional GET
// (the validators of its last fetch, kept between runs, sent as If-None-Match and
// If-Modified-Since) and what comes back is hashed. A page answering 304 is unchanged; one that
// comes whole gets its content's hash, which the record compares with the one it keeps. Within
// a budget, the pages checked longest ago go first, so that every page has its turn.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct ContentCheck {
  std::size_t concurrency = 4;  // requests at once
  std::size_t budget = 10'000;  // requests a site a run; pages past it count as unchanged
  std::string ignore_content;   // a regular expression; what it matches is not hashed

  bool operator==(const ContentCheck&) const = default;
};

// What the last fetch of a page left to ask with next time.
struct PageValidators {
  std::string etag, last_modified;
  std::optional<std::uint64_t> content_hash;  // of the content last fetched whole
  std::optional<std::time_t> checked;         // when it last answered
};

// Where the validators are kept between runs. Its failures are thrown as the record's are,
// their messages naming the store.
class PageValidatorStore {
 public:
  virtual ~PageValidatorStore() = default;
  // What was kept for each of `urls`, in their order; nothing for a page never fetched.
  virtual std::vector<std::optional<PageValidators>> find(
      std::span<const std::string_view> urls) = 0;
  // Keeps what this run's fetches found, in one transaction.
  struct Kept {
    std::string_view url;
    PageValidators validators;
  };
  virtual void keep(std::span<const Kept> pages) = 0;
};

struct ContentCheckCounts {
  std::size_t not_modified = 0, same = 0, changed = 0, failed = 0, over_budget = 0;
  double seconds = 0;
};

// Fetches the pages of `links` within the budget, those never checked or checked longest ago
// first; `hashes` gets, for each link, the hash of the content that came, nothing where none came
// (not modified, failed, past the budget); what was found adds to `counts`.
void check_contents(const ContentCheck& check, PageValidatorStore& store,
                    const std::vector<std::string_view>& links,
                    std::vector<std::optional<std::uint64_t>>& hashes, ContentCheckCounts& counts);

}  // namespace lc::push
