#pragma once
// Every source of a run's links, read in one place: the pending file, sitemaps, files and
// standard input.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "push/sources/content_check.h"
#include "push/sources/link_list.h"
#include "push/sources/site_folder.h"
#include "push/sources/sitemap_source.h"
#include "push/texts/notes.h"

namespace lc::push {

// Where a run's links come from.
struct SourceSettings {
  std::string pending;                // the pending file; empty: none
  std::vector<std::string> sitemaps;  // addresses or files
  SiteFolder folder;                  // its folder empty: none
  std::vector<std::string> files;     // "-" is standard input
  std::string ignore_content;  // a regular expression: what it matches in a page is no change
  // Sitemaps' pages fetched and hashed, their <lastmod> not trusted; otherwise none.
  std::optional<ContentCheck> content_check;

  // Standard input is read when no other source is named.
  bool reads_standard_input() const {
    return files.empty() && sitemaps.empty() && folder.folder.empty();
  }

  bool operator==(const SourceSettings&) const = default;
};

// Reads every source of `sources` and hands each one's links, cleaned, to `each`: what the
// pending file kept first, then each sitemap's pages, the site folder's, then the files and
// standard input in the order given. A content check keeps its validators in `validators`.
// Throws the Failure of the first source that cannot be read, or of a pending file that could
// not be written. What the user should know besides (a content check's findings) goes to
// `notes`; each sitemap's digest to `digests`, where given.
void gather_links(const SourceSettings& sources, PageValidatorStore* validators,
                  const std::function<void(LinkList&)>& each, const Notes& notes,
                  SitemapDigests* digests = nullptr);

}  // namespace lc::push
