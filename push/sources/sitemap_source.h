#pragma once
// Sitemaps named on the command line, by address or as files, read with every sitemap their
// indexes name.

#include <functional>
#include <string>
#include <vector>

#include "push/sources/sitemap.h"

namespace lc::push {

// The pages of the sitemaps at `sources` (http or https addresses, or file paths) and of every
// sitemap their indexes name, each sitemap read once and its pages handed to `each` before the
// next is read. Throws a Failure ("SOURCE: reason") when one cannot be read or is no sitemap.
void read_sitemaps(const std::vector<std::string>& sources,
                   const std::function<void(std::vector<SitemapPage>&)>& each);

}  // namespace lc::push
