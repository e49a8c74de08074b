#include "push/record/run_history.h"

namespace lc::push {

void add_run_figures(Database& db) {
  db.define(
      "ALTER TABLE runs ADD COLUMN site TEXT; ALTER TABLE runs ADD COLUMN site_name TEXT; "
      "ALTER TABLE runs ADD COLUMN sent INTEGER; "
      "ALTER TABLE runs ADD COLUMN accepted INTEGER; ALTER TABLE runs ADD COLUMN refused INTEGER; "
      "ALTER TABLE runs ADD COLUMN waiting INTEGER; "
      "CREATE TABLE setbacks(run INTEGER NOT NULL, time INTEGER NOT NULL, words TEXT NOT NULL); "
      "CREATE INDEX setbacks_of_runs ON setbacks(run)");
}

void for_each_run(Database& db, std::time_t since, std::string_view site,
                  const std::function<void(const RunEntry&)>& each) {
  Statement runs = db.prepare(
      "SELECT r.id, r.started, r.ended, d.name, coalesce(r.site, ''), r.exit_code, r.sent, "
      "r.accepted, r.refused, r.waiting, coalesce(r.site_name, ''), coalesce(r.host, '') "
      "FROM runs r JOIN destinations d "
      "ON d.id = r.destination "
      "WHERE r.started >= ?1 AND (?2 = '' OR r.site = ?2) ORDER BY r.started, r.id");
  // In the order they were kept.
  Statement setbacks = db.prepare("SELECT time, words FROM setbacks WHERE run = ? ORDER BY " +
                                  std::string(db.kept_order()));
  runs.bind(since, site);
  while (runs.step()) {
    RunEntry run{.started = runs.integer(1),
                 .ended = runs.optional_integer(2),
                 .destination = std::string(runs.text(3)),
                 .site = std::string(runs.text(4)),
                 .site_name = std::string(runs.text(10)),
                 .host = std::string(runs.text(11)),
                 .exit_code = std::nullopt,
                 .counts = std::nullopt,
                 .setbacks = {}};
    if (run.ended) {
      if (const std::optional<std::int64_t> code = runs.optional_integer(5))
        run.exit_code = static_cast<int>(*code);
      if (runs.optional_integer(6)) {
        run.counts = RunCounts{.sent = runs.integer(6),
                               .accepted = runs.integer(7),
                               .refused = runs.integer(8),
                               .waiting = runs.integer(9)};
      }
    }
    setbacks.bind(runs.integer(0));
    while (setbacks.step())
      run.setbacks.push_back({setbacks.integer(0), std::string(setbacks.text(1))});
    each(run);
  }
}

}  // namespace lc::push
