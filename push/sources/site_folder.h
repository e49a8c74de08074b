#pragma once
// A site's own folder as a source: every page file under it is a link under the address the
// folder is published at, with its content's hash, so that only new and changed pages are sent.

#include <string>
#include <vector>

#include "push/sources/link_list.h"
#include "push/texts/notes.h"

namespace lc::push {

struct SiteFolder {
  std::string folder;  // UTF-8
  std::string base;    // the address the folder's root is published at
  std::vector<std::string> extensions = {".html", ".htm"};  // of page files, in any case

  bool operator==(const SiteFolder&) const = default;
};

// Adds the folder's pages to `links` in the order of their addresses: names percent-encoded as
// UTF-8, index.html standing for its folder's address (with the slash), hidden files and
// folders left out, symbolic links followed only where they stay inside the folder; what
// `ignore_content` matches is not hashed. Throws a Failure naming what, where the folder or one
// of its pages cannot be read whole. Symbolic links pointing out of the folder are named to
// `notes` and left out.
void read_site_folder(const SiteFolder& site, const std::string& ignore_content, LinkList& links,
                      const Notes& notes);

}  // namespace lc::push
