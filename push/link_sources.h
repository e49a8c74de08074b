#pragma once
// Every source of a run's links, read in one place: the pending file, sitemaps, files and
// standard input.

#include <optional>
#include <string>

#include "push/link_list.h"
#include "push/options.h"

namespace lc::push {

struct SourceFailure {
  int exit_code = 0;
  std::string message;  // names the source
};

// Adds the links of every source `options` names to `links`: what the pending file kept first,
// then the sitemaps' pages, then the files and standard input in the order given. The failure
// of the first source that cannot be read, or of a pending file that could not be written.
std::optional<SourceFailure> gather_links(const Options& options, LinkList& links);

}  // namespace lc::push
