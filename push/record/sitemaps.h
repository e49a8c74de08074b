#pragma once
// The sitemaps handed to each destination, with their content's digest and what the engine last
// told of them. Records gain the table when a run first keeps a sitemap.

#include <cstdint>
#include <vector>

#include "push/record/record.h"
#include "push/record/sqlite_db.h"

namespace lc::push {

std::vector<KeptSitemap> kept_sitemaps(Database& db, std::int64_t destination);

void keep_sitemap(Database& db, std::int64_t destination, const KeptSitemap& sitemap);

}  // namespace lc::push
