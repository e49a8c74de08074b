#include "push/record/inspections.h"

#include <algorithm>
#include <limits>

namespace lc::push {
namespace {

// The nearest-rank percentile of sorted values: the smallest value at least `percent` of them
// do not exceed.
std::int64_t nearest_rank(const std::vector<std::int64_t>& sorted, std::size_t percent) {
  const std::size_t rank = (sorted.size() * percent + 99) / 100;
  return sorted[rank == 0 ? 0 : rank - 1];
}

}  // namespace

void add_inspections(Database& db) {
  db.define(R"sql(
    CREATE TABLE inspection_words(id INTEGER PRIMARY KEY, words TEXT NOT NULL UNIQUE);
    ALTER TABLE quotas ADD COLUMN inspected INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE links ADD COLUMN inspected_at INTEGER;
    ALTER TABLE links ADD COLUMN indexed INTEGER;
    ALTER TABLE links ADD COLUMN coverage INTEGER;
    ALTER TABLE links ADD COLUMN last_crawl INTEGER;
    ALTER TABLE links ADD COLUMN inspection INTEGER;
    ALTER TABLE links ADD COLUMN first_indexed INTEGER;
    ALTER TABLE links ADD COLUMN repushes INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE links ADD COLUMN first_accepted INTEGER;
  )sql");
}

void add_site_inspections(Database& db) {
  db.define(R"sql(
    ALTER TABLE links ADD COLUMN removal_repeats INTEGER NOT NULL DEFAULT 0;
    CREATE TABLE inspection_days(
      destination INTEGER NOT NULL, site INTEGER NOT NULL, day INTEGER NOT NULL,
      inspected INTEGER NOT NULL, PRIMARY KEY(destination, site, day)) WITHOUT ROWID;
    -- Counted per destination before: all on one of its sites, which errs on the safe side.
    INSERT INTO inspection_days(destination, site, day, inspected)
      SELECT q.destination, s.site, q.day, q.inspected FROM quotas q
      JOIN (SELECT destination, min(site) AS site FROM links GROUP BY destination) s
        ON s.destination = q.destination
      WHERE q.inspected > 0;
  )sql");
}

std::vector<std::string> links_to_inspect(Database& db, std::int64_t destination,
                                          std::string_view host, const InspectionDue& due,
                                          std::size_t most) {
  // A link accepted again after a change is inspected as one never inspected; a removal's
  // announcement (its last sending) is looked after once.
  Statement select = db.prepare(R"sql(
    SELECT url FROM links
    WHERE destination = ?1 AND (?8 = '' OR site = (SELECT id FROM sites WHERE host = ?8))
      AND ((state = ?2 AND accepted_at <= ?3
            AND (inspected_at IS NULL OR inspected_at < accepted_at
                 OR (indexed = 0 AND inspected_at <= ?4)))
           OR (?5 AND state = ?6 AND last_sent <= ?3
               AND (inspected_at IS NULL OR inspected_at < last_sent)))
    ORDER BY (inspected_at IS NOT NULL AND inspected_at >= coalesce(accepted_at, 0)),
             coalesce(inspected_at, accepted_at, last_sent)
    LIMIT ?7)sql");
  // However many there may be: the largest number both backends take as a limit.
  const auto limit = static_cast<std::int64_t>(
      std::min<std::size_t>(most, std::numeric_limits<std::int64_t>::max()));
  select.bind(destination, kAccepted, due.accepted_before, due.not_indexed_before,
              due.removals ? 1 : 0, kRemoved, limit, host);
  std::vector<std::string> links;
  while (select.step())
    links.emplace_back(select.text(0));
  return links;
}

InspectionKeeper::InspectionKeeper(Database& db) : db_(db) {}

void InspectionKeeper::keep(std::int64_t destination, std::span<const InspectedLink> links,
                            std::time_t time, std::time_t day) {
  // Written through to the file at once, so that a kill loses none, but not waited onto the
  // disk: what a power cut takes is asked again, where an answer to a push could not be.
  kept(lighter_, db_.durability(true)).run();
  Transaction keeping(db_);
  // Google's limits are a property's, that is a site's, however many share the account.
  std::map<std::int64_t, std::int64_t> by_site;
  for (const auto& [url, inspection] : links) {
    const std::int64_t coverage = words_id(inspection.coverage);
    const std::int64_t details = words_id(inspection.details);
    // A server gives each parameter one type, told by its first use: the casts tell it here.
    Statement& update = kept(update_, R"sql(
      UPDATE links SET inspected_at = ?1, indexed = ?2, coverage = ?3, last_crawl = ?4,
                       inspection = ?5,
                       first_indexed = coalesce(first_indexed,
                         CASE WHEN CAST(?2 AS BIGINT) = 1 THEN CAST(?1 AS BIGINT) END)
      WHERE destination = ?6 AND url = ?7 RETURNING site)sql");
    update.bind(time, inspection.indexed ? 1 : 0, coverage, inspection.last_crawl, details,
                destination, url);
    if (update.step()) {
      ++by_site[update.integer(0)];
      update.run();
    }
  }
  for (const auto& [site, inspected] : by_site) {
    kept(count_, R"sql(
      INSERT INTO inspection_days(destination, site, day, inspected) VALUES(?1, ?2, ?3, ?4)
      ON CONFLICT(destination, site, day) DO UPDATE SET inspected = inspection_days.inspected + ?4)sql")
        .bind(destination, site, day, inspected)
        .run();
  }
  keeping.commit();
  kept(full_, db_.durability(false)).run();
}

Statement& InspectionKeeper::kept(std::unique_ptr<Statement>& slot, std::string_view sql) {
  if (!slot) slot = db_.prepare_kept(sql);
  return *slot;
}

std::int64_t InspectionKeeper::words_id(std::string_view words) {
  if (const auto found = ids_.find(words); found != ids_.end()) return found->second;
  kept(add_words_, "INSERT INTO inspection_words(words) VALUES(?) ON CONFLICT DO NOTHING")
      .bind(words)
      .run();
  Statement& find = kept(find_words_, "SELECT id FROM inspection_words WHERE words = ?");
  find.bind(words).step();
  const std::int64_t id = find.integer(0);
  find.run();
  ids_.emplace(words, id);
  return id;
}

std::map<std::string, LinkCounts::Index> index_counts(Database& db, std::int64_t destination) {
  std::map<std::string, LinkCounts::Index> by_host;
  if (!db.single_integer("SELECT EXISTS(SELECT 1 FROM inspection_days WHERE destination = ?)",
                         destination)) {
    return by_host;
  }
  Statement select = db.prepare(R"sql(
    SELECT s.host, count(*) FILTER (WHERE indexed = 1), count(*) FILTER (WHERE indexed = 0),
           count(*) FILTER (WHERE inspected_at IS NULL)
    FROM links l JOIN sites s ON s.id = l.site
    WHERE l.destination = ? AND l.state = ? GROUP BY s.id, s.host)sql");
  select.bind(destination, kAccepted);
  while (select.step()) {
    LinkCounts::Index& index = by_host[std::string(select.text(0))];
    index.indexed = select.integer(1);
    index.not_indexed = select.integer(2);
    index.not_inspected = select.integer(3);
  }
  // Sorted by host, then time: each host's times in one run of rows.
  Statement times = db.prepare(R"sql(
    SELECT s.host, l.first_indexed - l.first_accepted AS seconds
    FROM links l JOIN sites s ON s.id = l.site
    WHERE l.destination = ? AND l.first_indexed >= l.first_accepted
    ORDER BY s.host, seconds)sql");
  times.bind(destination);
  std::map<std::string, std::vector<std::int64_t>> seconds;
  while (times.step())
    seconds[std::string(times.text(0))].push_back(times.integer(1));
  for (const auto& [host, sorted] : seconds) {
    const auto found = by_host.find(host);
    if (found == by_host.end()) continue;
    found->second.median_seconds = nearest_rank(sorted, 50);
    found->second.p90_seconds = nearest_rank(sorted, 90);
  }
  return by_host;
}

std::vector<std::string> not_indexed_links(Database& db, std::int64_t destination,
                                           std::time_t accepted_before, long most) {
  Statement select = db.prepare(R"sql(
    SELECT url FROM links
    WHERE destination = ? AND state = ? AND indexed = 0 AND inspected_at >= accepted_at
      AND accepted_at <= ? AND repushes < ? ORDER BY accepted_at)sql");
  select.bind(destination, kAccepted, accepted_before, most);
  std::vector<std::string> links;
  while (select.step())
    links.emplace_back(select.text(0));
  return links;
}

std::vector<std::string> removed_still_indexed(Database& db, std::int64_t destination, bool take) {
  Statement select = db.prepare(R"sql(
    SELECT url FROM links
    WHERE destination = ? AND state = ? AND indexed = 1 AND inspected_at >= last_sent
      AND removal_repeats = 0 ORDER BY last_sent)sql");
  select.bind(destination, kRemoved);
  std::vector<std::string> links;
  while (select.step())
    links.emplace_back(select.text(0));
  if (!take) return links;
  Statement mark = db.prepare(
      "UPDATE links SET removal_repeats = removal_repeats + 1 WHERE destination = ? AND url = ?");
  for (const std::string& url : links)
    mark.bind(destination, url).run();
  return links;
}

void for_each_index_times(Database& db, const std::function<void(const IndexTimes&)>& each) {
  Statement select = db.prepare(R"sql(
    SELECT d.name, s.host, l.first_accepted, l.first_indexed
    FROM links l JOIN destinations d ON d.id = l.destination JOIN sites s ON s.id = l.site
    WHERE l.first_accepted IS NOT NULL
      AND l.destination IN (SELECT destination FROM inspection_days)
    ORDER BY d.name, s.host)sql");
  IndexTimes times;
  while (select.step()) {
    times.destination = select.text(0);
    times.site = select.text(1);
    times.first_accepted = select.integer(2);
    times.first_indexed = select.optional_integer(3);
    each(times);
  }
}

void for_each_not_indexed(Database& db, std::string_view site,
                          const std::function<void(const NotIndexedLink&)>& each) {
  Statement select = db.prepare(R"sql(
    SELECT d.name, s.host, l.url, w.words, l.inspected_at, l.first_accepted, l.last_crawl,
           l.repushes
    FROM links l JOIN destinations d ON d.id = l.destination JOIN sites s ON s.id = l.site
    JOIN inspection_words w ON w.id = l.coverage
    WHERE l.state = ? AND l.indexed = 0 AND (?2 = '' OR s.host = ?2)
    ORDER BY d.name, s.host, l.url)sql");
  select.bind(kAccepted, site);
  while (select.step()) {
    each({.destination = std::string(select.text(0)),
          .site = std::string(select.text(1)),
          .url = std::string(select.text(2)),
          .coverage = std::string(select.text(3)),
          .inspected = select.integer(4),
          .first_accepted = select.optional_integer(5),
          .last_crawl = select.optional_integer(6),
          .repushes = select.integer(7)});
  }
}

std::int64_t inspections_on(Database& db, std::int64_t destination, std::string_view host,
                            std::time_t day) {
  return db.single_integer(R"sql(
    SELECT coalesce(sum(inspected), 0) FROM inspection_days
    WHERE destination = ?1 AND day = ?2
      AND (?3 = '' OR site = (SELECT id FROM sites WHERE host = ?3)))sql",
                           destination, day, host);
}

}  // namespace lc::push
