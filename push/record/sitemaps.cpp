#include "push/record/sitemaps.h"

#include <bit>

namespace lc::push {
namespace {

constexpr std::string_view kSitemapsTable = R"sql(
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

std::optional<std::int64_t> stored(std::optional<std::uint64_t> digest) {
  if (!digest) return std::nullopt;
  return std::bit_cast<std::int64_t>(*digest);
}

}  // namespace

std::vector<KeptSitemap> kept_sitemaps(Database& db, std::int64_t destination) {
  std::vector<KeptSitemap> sitemaps;
  if (db.single_integer("SELECT count(*) FROM sqlite_schema WHERE name = 'sitemaps'") == 0)
    return sitemaps;
  Statement select = db.prepare(R"sql(
    SELECT address, digest, submitted_at, read_at, last_downloaded, pending, errors, warnings,
           status
    FROM sitemaps WHERE destination = ? ORDER BY address)sql");
  select.bind(destination);
  while (select.step()) {
    KeptSitemap& sitemap = sitemaps.emplace_back();
    sitemap.address = select.text(0);
    if (const std::optional<std::int64_t> digest = select.optional_integer(1))
      sitemap.digest = std::bit_cast<std::uint64_t>(*digest);
    sitemap.submitted = select.optional_integer(2);
    sitemap.read_at = select.optional_integer(3);
    if (sitemap.read_at) {
      sitemap.state = SitemapState{.last_downloaded = select.optional_integer(4),
                                   .pending = select.integer(5) != 0,
                                   .errors = static_cast<long>(select.integer(6)),
                                   .warnings = static_cast<long>(select.integer(7)),
                                   .status = std::string(select.text(8))};
    }
  }
  return sitemaps;
}

void keep_sitemap(Database& db, std::int64_t destination, const KeptSitemap& sitemap) {
  db.execute(kSitemapsTable);
  const SitemapState state = sitemap.state.value_or(SitemapState());
  db.prepare(R"sql(
    INSERT OR REPLACE INTO sitemaps(destination, address, digest, submitted_at, read_at,
                                    last_downloaded, pending, errors, warnings, status)
    VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?))sql")
      .bind(destination, sitemap.address, stored(sitemap.digest), sitemap.submitted,
            sitemap.read_at, state.last_downloaded, state.pending ? 1 : 0, state.errors,
            state.warnings, state.status)
      .run();
}

}  // namespace lc::push
