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
// A server's record began at the ninth version.
constexpr std::int64_t kFirstServerVersion = 9;

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
CREATE INDEX waiting ON links(destination, queued) WHERE state = 0;
)sql";

constexpr std::string_view kRemovalsIndex =
    "CREATE INDEX removals_waiting ON links(destination, queued) WHERE state = 4";

// Each destination's quota by its engine's days; records of the first version gain it.
constexpr std::string_view kQuotasTable = R"sql(
CREATE TABLE quotas(destination INTEGER NOT NULL, day INTEGER NOT NULL,
                    used INTEGER NOT NULL DEFAULT 0, quota_left INTEGER,
                    PRIMARY KEY (destination, day)) WITHOUT ROWID;
)sql";

// Where a server keeps the record's version, as an SQLite file keeps it in its header.
constexpr std::string_view kVersionTable =
    "CREATE TABLE record_version(application INTEGER NOT NULL, version INTEGER NOT NULL)";

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
  if (db.single_integer("PRAGMA user_version") != from) return;
  step(db);
  db.execute("PRAGMA user_version = " + std::to_string(from + 1));
  migration.commit();
}

// The first version kept the quota a run ended with; it stands for the engine's day the run
// started in.
void add_quotas(Database& db) {
  Transaction migration(db);
  if (db.single_integer("PRAGMA user_version") != 1) return;  // another run did it meanwhile
  db.execute(kQuotasTable);
  Statement last = db.prepare(R"sql(
    SELECT d.id, d.name, r.started, r.quota_left FROM destinations d JOIN runs r
    ON r.id = (SELECT max(id) FROM runs WHERE destination = d.id AND quota_left IS NOT NULL))sql");
  Statement keep = db.prepare("INSERT INTO quotas(destination, day, quota_left) VALUES(?, ?, ?)");
  while (last.step()) {
    const std::time_t day = quota_day(engine_of_destination(last.text(1)).days, last.integer(2));
    keep.bind(last.integer(0), day, last.integer(3)).run();
  }
  db.execute("ALTER TABLE runs DROP COLUMN quota_left; PRAGMA user_version = 2");
  migration.commit();
}

// A record asked before anything was kept in it has nothing to tell, and asking makes nothing.
[[noreturn]] void refuse_empty(const std::string& name) {
  throw RecordEmpty(texts::about(name, texts::kRecordEmpty));
}

void ready_sqlite(Database& db, const std::string& name, bool read_only, bool sends) {
  const std::int64_t version = db.single_integer("PRAGMA user_version");
  const bool empty = db.single_integer("SELECT count(*) FROM sqlite_schema") == 0;
  refuse_unless_ours(name, empty, db.single_integer("PRAGMA application_id"), version);
  if (read_only) {
    if (empty) refuse_empty(name);
    if (version < kSchemaVersion) throw NeedsUpgrade{};
    return;
  }
  // Each answer is on the disk before the next request goes out, power cut or not.
  db.execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL");
  // A run's lookups of a million known links read the file through memory mapping rather than
  // calls; a service's intake, open for days, keeps its memory to SQLite's small page cache.
  if (sends) db.execute("PRAGMA mmap_size = 1073741824");
  if (empty) {
    Transaction creation(db);
    // Another process may have made it since this one looked.
    if (db.single_integer("SELECT count(*) FROM sqlite_schema") != 0) return;
    create_tables(db);
    db.execute("PRAGMA application_id = " + std::to_string(kApplicationId) +
               "; PRAGMA user_version = " + std::to_string(kSchemaVersion));
    creation.commit();
    return;
  }
  if (version == 1) add_quotas(db);
  // The third keeps each page's content hash, for site folders.
  if (version < 3)
    upgrade(db, 2,
            [](Database& db) { db.execute("ALTER TABLE links ADD COLUMN content_hash INTEGER"); });
  // The fourth keeps what each run came to and the temporary failures it met.
  if (version < 4) upgrade(db, 3, add_run_figures);
  // The fifth keeps what inspections found.
  if (version < 5) upgrade(db, 4, add_inspections);
  // The sixth counts the removals announced again because an inspection found the page
  // indexed, and the inspections of each site apart.
  if (version < 6) upgrade(db, 5, add_site_inspections);
  // The seventh holds each destination's lease, in place of a lock on the whole file.
  if (version < 7) upgrade(db, 6, add_leases);
  // The eighth keeps the removals a site announced until the engine is told.
  if (version < 8) upgrade(db, 7, [](Database& db) { db.execute(kRemovalsIndex); });
  // The ninth keeps the machine each run ran on, where several share a record.
  if (version < 9)
    upgrade(db, 8, [](Database& db) { db.execute("ALTER TABLE runs ADD COLUMN host TEXT"); });
  // The tenth knows a lease's holder as no other process is.
  if (version < 10) upgrade(db, 9, add_lease_holders_identity);
}

// Upgrades a server's record of version `from` by `step` to the next, in one transaction;
// nothing where another worker did it meanwhile.
void upgrade_server(Database& db, std::int64_t from, void (*step)(Database& db)) {
  Transaction migration(db);
  db.serialize(kApplicationId);
  if (db.single_integer("SELECT version FROM record_version") != from) return;
  step(db);
  db.prepare("UPDATE record_version SET version = ?").bind(from + 1).run();
  migration.commit();
}

// A server's record begins at the ninth version; tables of another program, or the rights to
// make none, are said in the record's words (record_error).
void ready_server(Database& db, const std::string& name, bool read_only) {
  const auto version_of = [&](std::int64_t& application) -> std::optional<std::int64_t> {
    if (!db.has_table("record_version")) return std::nullopt;
    Statement kept = db.prepare("SELECT application, version FROM record_version");
    if (!kept.step()) return std::nullopt;
    application = kept.integer(0);
    const std::int64_t version = kept.integer(1);
    kept.run();
    return version;
  };
  std::int64_t application = 0;
  std::optional<std::int64_t> version = version_of(application);
  if (!version && read_only) {
    refuse_unless_ours(name, !db.has_table("links") && !db.has_table("runs"), 0, 0);
    refuse_empty(name);
  }
  if (!version) {
    Transaction creation(db);
    // Of workers starting at once on an empty database, one makes the tables.
    db.serialize(kApplicationId);
    version = version_of(application);
    if (!version) {
      refuse_unless_ours(name, !db.has_table("links"), 0, 0);
      create_tables(db);
      db.define(kVersionTable);
      db.prepare("INSERT INTO record_version(application, version) VALUES(?, ?)")
          .bind(kApplicationId, kSchemaVersion)
          .run();
      creation.commit();
      return;
    }
  }
  refuse_unless_ours(name, false, application, *version);
  if (*version < kFirstServerVersion) {
    throw RecordError(texts::about(
        name,
        texts::filled(texts::kRecordOlder, {{"found", std::to_string(*version)},
                                            {"known", std::to_string(kFirstServerVersion)}})));
  }
  // The tenth knows a lease's holder as no other process is.
  if (*version < 10) upgrade_server(db, 9, add_lease_holders_identity);
}

}  // namespace

void ready_schema(Database& db, const std::string& name, bool read_only, bool sends) {
  if (db.dialect() == Dialect::kSqlite) return ready_sqlite(db, name, read_only, sends);
  ready_server(db, name, read_only);
}

}  // namespace lc::push
