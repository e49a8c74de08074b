#pragma once
// Sitemaps whose dates cannot be trusted: each listed page is fetched with a conditional GET
// (the validators of its last fetch, kept in a file of their own, sent as If-None-Match and
// If-Modified-Since) and what comes back is hashed. A page answering 304 is unchanged; one that
// comes whole gets its content's hash, which the record compares with the one it keeps.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct ContentCheck {
  std::size_t concurrency = 4;  // requests at once
  std::size_t budget = 10'000;  // requests a site a run; pages past it count as unchanged
  std::string ignore_content;   // a regular expression; what it matches is not hashed
  std::string validators;       // the file the validators are kept in (UTF-8)
};

struct ContentCheckCounts {
  std::size_t not_modified = 0, same = 0, changed = 0, failed = 0, over_budget = 0;
  double seconds = 0;
};

// Fetches the pages of `links` in order within the budget; `hashes` gets, for each link, the
// hash of the content that came, nothing where none came (not modified, failed, past the
// budget); what was found adds to `counts`. Why not, where the validators' file cannot be used.
std::optional<std::string> check_contents(const ContentCheck& check,
                                          const std::vector<std::string_view>& links,
                                          std::vector<std::optional<std::uint64_t>>& hashes,
                                          ContentCheckCounts& counts);

}  // namespace lc::push
