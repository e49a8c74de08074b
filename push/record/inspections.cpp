#include "push/record/inspections.h"

namespace lc::push {
namespace {

// The state links.state keeps an accepted link in.
constexpr int kAccepted = 1;

// The id of a text kept once however many links share it (a coverage state, the rest of what
// an engine says of most pages).
std::int64_t words_id(Database& db, std::string_view words) {
  db.prepare("INSERT OR IGNORE INTO inspection_words(words) VALUES(?)").bind(words).run();
  return db.single_integer("SELECT id FROM inspection_words WHERE words = ?", words);
}

}  // namespace

void add_inspections(Database& db) {
  db.execute(R"sql(
    CREATE TABLE inspection_words(id INTEGER PRIMARY KEY, words TEXT NOT NULL UNIQUE);
    ALTER TABLE quotas ADD COLUMN inspected INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE links ADD COLUMN inspected_at INTEGER;
    ALTER TABLE links ADD COLUMN indexed INTEGER;
    ALTER TABLE links ADD COLUMN coverage INTEGER;
    ALTER TABLE links ADD COLUMN last_crawl INTEGER;
    ALTER TABLE links ADD COLUMN inspection INTEGER;
    ALTER TABLE links ADD COLUMN first_indexed INTEGER;
    ALTER TABLE links ADD COLUMN repushes INTEGER NOT NULL DEFAULT 0;
  )sql");
}

std::vector<std::string> links_to_inspect(Database& db, std::int64_t destination,
                                          const InspectionDue& due, std::size_t most) {
  // A link accepted again after a change is inspected as one never inspected.
  Statement select = db.prepare(R"sql(
    SELECT url FROM links
    WHERE destination = ? AND state = ? AND accepted_at <= ?
      AND (inspected_at IS NULL OR inspected_at < accepted_at
           OR (indexed = 0 AND inspected_at <= ?))
    ORDER BY (inspected_at IS NOT NULL AND inspected_at >= accepted_at),
             coalesce(inspected_at, accepted_at)
    LIMIT ?)sql");
  select.bind(destination, kAccepted, due.accepted_before, due.not_indexed_before, most);
  std::vector<std::string> links;
  while (select.step())
    links.emplace_back(select.text(0));
  return links;
}

void keep_inspection(Database& db, std::int64_t destination, std::string_view url,
                     const Inspection& inspection, std::time_t time, std::time_t day) {
  Transaction keeping(db);
  const std::int64_t coverage = words_id(db, inspection.coverage);
  const std::int64_t details = words_id(db, inspection.details);
  const int indexed = inspection.indexed ? 1 : 0;
  db.prepare(R"sql(
    UPDATE links SET inspected_at = ?1, indexed = ?2, coverage = ?3, last_crawl = ?4,
                     inspection = ?5,
                     first_indexed = coalesce(first_indexed, CASE WHEN ?2 THEN ?1 END)
    WHERE destination = ?6 AND url = ?7)sql")
      .bind(time, indexed, coverage, inspection.last_crawl, details, destination, url)
      .run();
  db.prepare(R"sql(
    INSERT INTO quotas(destination, day, inspected) VALUES(?1, ?2, 1)
    ON CONFLICT(destination, day) DO UPDATE SET inspected = inspected + 1)sql")
      .bind(destination, day)
      .run();
  keeping.commit();
}

std::map<std::string, LinkCounts::Index> index_counts(Database& db, std::int64_t destination) {
  std::map<std::string, LinkCounts::Index> by_host;
  if (!db.single_integer("SELECT EXISTS(SELECT 1 FROM quotas WHERE destination = ? AND "
                         "inspected > 0)",
                         destination)) {
    return by_host;
  }
  Statement select = db.prepare(R"sql(
    SELECT s.host, sum(indexed = 1), sum(indexed = 0), sum(inspected_at IS NULL)
    FROM links l JOIN sites s ON s.id = l.site
    WHERE l.destination = ? AND l.state = ? GROUP BY l.site)sql");
  select.bind(destination, kAccepted);
  while (select.step()) {
    by_host[std::string(select.text(0))] = {.indexed = select.integer(1),
                                            .not_indexed = select.integer(2),
                                            .not_inspected = select.integer(3)};
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

std::int64_t inspections_on(Database& db, std::int64_t destination, std::time_t day) {
  return db.single_integer("SELECT inspected FROM quotas WHERE destination = ? AND day = ?",
                           destination, day);
}

}  // namespace lc::push
