#pragma once
// Sitemaps named on the command line, by address or as files, read with every sitemap their
// indexes name.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "push/sources/sitemap.h"

namespace lc::push {

// Each sitemap source's content as one hash: its bytes and those of every sitemap it names, so
// that a change anywhere below an index changes the index's.
using SitemapDigests = std::map<std::string, std::uint64_t>;

// The pages of the sitemaps at `sources` (http or https addresses, or file paths) and of every
// sitemap their indexes name, each sitemap read once and its pages handed to `each` before the
// next is read; each source's digest into `digests`, where given. Throws a Failure ("SOURCE:
// reason") when one cannot be read or is no sitemap.
void read_sitemaps(const std::vector<std::string>& sources,
                   const std::function<void(std::vector<SitemapPage>&)>& each,
                   SitemapDigests* digests = nullptr);

}  // namespace lc::push
