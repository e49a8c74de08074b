#include "push/record/inspections.h"

namespace lc::push {
namespace {

// The state links.state keeps an accepted link in.
constexpr int kAccepted = 1;

}  // namespace

void add_inspections(Database& db) {
  db.execute(kInspectionsTable);
  db.execute("ALTER TABLE quotas ADD COLUMN inspected INTEGER NOT NULL DEFAULT 0");
  db.execute("ALTER TABLE links ADD COLUMN repushes INTEGER NOT NULL DEFAULT 0");
}

std::vector<std::string> links_to_inspect(Database& db, std::int64_t destination,
                                          const InspectionDue& due, std::size_t most) {
  // A link accepted again after a change is inspected as one never inspected.
  Statement select = db.prepare(R"sql(
    SELECT l.url FROM links l LEFT JOIN inspections i ON i.destination = l.destination
      AND i.url = l.url
    WHERE l.destination = ? AND l.state = ? AND l.accepted_at <= ?
      AND (i.time IS NULL OR i.time < l.accepted_at OR (i.indexed = 0 AND i.time <= ?))
    ORDER BY (i.time IS NOT NULL AND i.time >= l.accepted_at), coalesce(i.time, l.accepted_at)
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
  db.prepare(R"sql(
    INSERT INTO inspections(destination, url, time, indexed, coverage, last_crawl, details,
                            first_indexed)
    VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, CASE WHEN ?4 THEN ?3 END)
    ON CONFLICT(destination, url) DO UPDATE SET time = ?3, indexed = ?4, coverage = ?5,
      last_crawl = ?6, details = ?7, first_indexed = coalesce(first_indexed,
                                                               CASE WHEN ?4 THEN ?3 END))sql")
      .bind(destination, url, time, int(inspection.indexed), inspection.coverage,
            inspection.last_crawl, inspection.details)
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
  if (!db.single_integer("SELECT EXISTS(SELECT 1 FROM inspections WHERE destination = ?)",
                         destination)) {
    return by_host;
  }
  Statement select = db.prepare(R"sql(
    SELECT s.host, sum(i.indexed = 1), sum(i.indexed = 0), sum(i.url IS NULL)
    FROM links l JOIN sites s ON s.id = l.site LEFT JOIN inspections i
      ON i.destination = l.destination AND i.url = l.url
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
    SELECT l.url FROM links l JOIN inspections i ON i.destination = l.destination AND i.url = l.url
    WHERE l.destination = ? AND l.state = ? AND i.indexed = 0 AND i.time >= l.accepted_at
      AND l.accepted_at <= ? AND l.repushes < ? ORDER BY l.accepted_at)sql");
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
