#include "push/record/record_schema.h"

#include "push/engines/engine_registry.h"
#include "push/engines/quota_day.h"
#include "push/record/inspections.h"
#include "push/record/leases.h"
#include "push/record/record.h"
#include "push/record/run_history.h"
#include "push/record/sitemaps.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// "LKCR": tells our records from other programs' databases.
constexpr std::int64_t kApplicationId = 0x4C4B4352;
constexpr std::int64_t kSchemaVersion = 10;

// Written in SQLite's types; a server maps them to its own.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE destinations(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE sites(id INTEGER PRIMARY KEY, host TEXT NOT NULL UNIQUE);
CREATE TABLE answers(id INTEGER PRIMARY KEY, time INTEGER NOT NULL, words TEXT NOT NULL);
CREATE TABLE links(
  destination INTEGER NOT NULL,
  url TEXT NOT NULL,
  site INTEGER NOT NULL,
  state INTEGER NOT NULL,
  queued INTEGER,
  first_seen INTEGER NOT NULL,
  last_sent INTEGER,
  accepted_at INTEGER,
  lastmod INTEGER,
  attempts INTEGER NOT NULL DEFAULT 0,
  answer INTEGER,
  content_hash INTEGER,
  PRIMARY KEY (destination, url)) WITHOUT ROWID;
CREATE INDEX waiting ON links(destination, queued) WHERE state = {waiting};
)sql";

constexpr std::string_view kRemovalsIndex =
    "CREATE INDEX removals_waiting ON links(destination, queued) WHERE state = {removal_waiting}";

// Each destination's quota by its engine's days; records of the first version gain it.
constexpr std::string_view kQuotasTable = R"sql(
CREATE TABLE quotas(destination INTEGER NOT NULL, day INTEGER NOT NULL,
                    used INTEGER NOT NULL DEFAULT 0, quota_left INTEGER,
                    PRIMARY KEY (destination, day)) WITHOUT ROWID;
)sql";

// Every table of the current version, in `db`'s transaction.
void create_tables(Database& db) {
  db.define(kSchema);
  db.define(kRunsTables);
  db.define(kQuotasTable);
  db.define(kRemovalsIndex);
  add_inspections(db);
  add_site_inspections(db);
  add_leases(db);
  add_lease_holders_identity(db);
  db.define(kContentRulesTable);
  db.define(kSitemapsTable);
}

void refuse_unless_ours(const std::string& name, bool empty, std::int64_t application,
                        std::int64_t version) {
  if (!empty && application != kApplicationId)
    throw RecordError(texts::about(name, texts::kRecordNotOurs));
  if (version > kSchemaVersion) {
    throw RecordError(texts::about(
        name, texts::filled(texts::kRecordNewer, {{"found", std::to_string(version)},
                                                  {"known", std::to_string(kSchemaVersion)}})));
  }
}

// Upgrades a record of version `from` by `step` to the next, in one transaction; nothing where
// another run did it meanwhile.
void upgrade(Database& db, std::int64_t from, void (*step)(Database& db)) {
  Transaction migration(db);
  db.serialize(kApplicationId);
  if (db.schema_mark().version != from) return;
  step(db);
  db.mark_schema(kApplicationId, from + 1);
  migration.commit();
}

// The first version kept the quota a run ended with; it stands for the engine's day the run
// started in.
void add_quotas(Database& db) {
  db.execute(kQuotasTable);
  Statement last = db.prepare(R"sql(
    SELECT d.id, d.name, r.started, r.quota_left FROM destinations d JOIN runs r
    ON r.id = (SELECT max(id) FROM runs WHERE destination = d.id AND quota_left IS NOT NULL))sql");
  Statement keep = db.prepare("INSERT INTO quotas(destination, day, quota_left) VALUES(?, ?, ?)");
  while (last.step()) {
    const std::time_t day = quota_day(engine_of_destination(last.text(1)).days, last.integer(2));
    keep.bind(last.integer(0), day, last.integer(3)).run();
  }
  db.execute("ALTER TABLE runs DROP COLUMN quota_left");
}

// The step to each format from the one before it, for a record made by an earlier version.
struct Step {
  std::int64_t to;
  void (*work)(Database& db);
};
constexpr Step kSteps[] = {
    {2, add_quotas},
    // Each page's content hash, for site folders.
    {3, [](Database& db) { db.execute("ALTER TABLE links ADD COLUMN content_hash INTEGER"); }},
    // What each run came to and the temporary failures it met.
    {4, add_run_figures},
    // What inspections found.
    {5, add_inspections},
    // The removals announced again because an inspection found the page indexed, and the
    // inspections of each site apart.
    {6, add_site_inspections},
    // Each destination's lease, in place of a lock on the whole file.
    {7, add_leases},
    // The removals a site announced, kept until the engine is told.
    {8, [](Database& db) { db.execute(kRemovalsIndex); }},
    // The machine each run ran on, where several share a record.
    {9, [](Database& db) { db.execute("ALTER TABLE runs ADD COLUMN host TEXT"); }},
    // A lease's holder, known as no other process is.
    {10, add_lease_holders_identity},
};
static_assert(std::size(kSteps) == kSchemaVersion - 1);

// A record asked before anything was kept in it has nothing to tell, and asking makes nothing.
[[noreturn]] void refuse_empty(const std::string& name) {
  throw RecordEmpty(texts::about(name, texts::kRecordEmpty));
}

void refuse_older(const std::string& name, const SchemaMark& mark) {
  if (mark.empty || mark.version >= mark.first_version) return;
  throw RecordError(texts::about(
      name, texts::filled(texts::kRecordOlder, {{"found", std::to_string(mark.version)},
                                                {"known", std::to_string(mark.first_version)}})));
}

}  // namespace

void ready_schema(Database& db, const std::string& name, bool read_only, bool sends) {
  SchemaMark mark = db.schema_mark();
  refuse_unless_ours(name, mark.empty, mark.application, mark.version);
  refuse_older(name, mark);
  if (read_only) {
    if (mark.empty) refuse_empty(name);
    if (mark.version < kSchemaVersion) throw NeedsUpgrade{};
    return;
  }
  db.ready_for_writing(sends);
  if (mark.empty) {
    Transaction creation(db);
    // Of users starting at once on an empty record, one makes the tables; tables of another
    // program in its way, or the rights to make none, are said in the record's words.
    db.serialize(kApplicationId);
    mark = db.schema_mark();
    if (mark.empty) {
      create_tables(db);
      db.mark_schema(kApplicationId, kSchemaVersion);
      creation.commit();
      return;
    }
  }
  refuse_unless_ours(name, mark.empty, mark.application, mark.version);
  for (const Step& step : kSteps) {
    if (mark.version < step.to) upgrade(db, step.to - 1, step.work);
  }
}

}  // namespace lc::push
