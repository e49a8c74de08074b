#include "push/record/sitemaps.h"

#include <bit>

namespace lc::push {
namespace {

std::optional<std::int64_t> stored(std::optional<std::uint64_t> digest) {
  if (!digest) return std::nullopt;
  return std::bit_cast<std::int64_t>(*digest);
}

}  // namespace

std::vector<KeptSitemap> kept_sitemaps(Database& db, std::int64_t destination) {
  std::vector<KeptSitemap> sitemaps;
  if (!db.has_table("sitemaps")) return sitemaps;
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
  db.define(kSitemapsTable);
  const SitemapState state = sitemap.state.value_or(SitemapState());
  db.prepare(R"sql(
    INSERT INTO sitemaps(destination, address, digest, submitted_at, read_at, last_downloaded,
                         pending, errors, warnings, status)
    VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)
    ON CONFLICT(destination, address) DO UPDATE SET digest = excluded.digest,
      submitted_at = excluded.submitted_at, read_at = excluded.read_at,
      last_downloaded = excluded.last_downloaded, pending = excluded.pending,
      errors = excluded.errors, warnings = excluded.warnings, status = excluded.status)sql")
      .bind(destination, sitemap.address, stored(sitemap.digest), sitemap.submitted,
            sitemap.read_at, state.last_downloaded, state.pending ? 1 : 0, state.errors,
            state.warnings, state.status)
      .run();
}

}  // namespace lc::push
