#pragma once
// The sitemaps handed to each destination, with their content's digest and what the engine last
// told of them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "push/record/database.h"
#include "push/record/record.h"

namespace lc::push {

// Records of the seventh version and before gain it when a run first keeps a sitemap.
inline constexpr std::string_view kSitemapsTable = R"sql(
CREATE TABLE IF NOT EXISTS sitemaps(
  destination INTEGER NOT NULL,
  address TEXT NOT NULL,
  digest INTEGER,
  submitted_at INTEGER,
  read_at INTEGER,
  last_downloaded INTEGER,
  pending INTEGER,
  errors INTEGER,
  warnings INTEGER,
  status TEXT,
  PRIMARY KEY (destination, address)) WITHOUT ROWID
)sql";

std::vector<KeptSitemap> kept_sitemaps(Database& db, std::int64_t destination);

void keep_sitemap(Database& db, std::int64_t destination, const KeptSitemap& sitemap);

}  // namespace lc::push
