#pragma once
// Every source of a run's links, read in one place: the pending file, sitemaps, files and
// standard input.

#include <functional>
#include <optional>
#include <string>

#include "push/link_list.h"
#include "push/options.h"

namespace lc::push {

struct SourceFailure {
  int exit_code = 0;
  std::string message;  // names the source
};

// Reads every source `options` names and hands each one's links, cleaned, to `each`: what the
// pending file kept first, then each sitemap's pages, the site folder's, then the files and
// standard input in the order given. The failure of the first source that cannot be read, or of a
// pending file that could not be written.
std::optional<SourceFailure> gather_links(const Options& options,
                                          const std::function<void(LinkList&)>& each);

}  // namespace lc::push
