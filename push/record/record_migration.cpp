#include "push/record/record_migration.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/utf8_files.h"
#include "push/record/database.h"
#include "push/record/record.h"
#include "push/record/record_factory.h"
#include "push/record/record_schema.h"
#include "push/record/sql_record.h"
#include "push/texts/push_texts.h"
#ifdef LINKCOURIER_POSTGRES
#include "push/record/postgres_connection.h"
#endif

namespace lc::push {
namespace {

// Every table of a record but the leases, which belong to the senders running now; those whose
// rows others refer to first.
constexpr const char* kTables[] = {
    "destinations",     "sites",           "answers",       "links",   "runs", "setbacks", "quotas",
    "inspection_words", "inspection_days", "content_rules", "sitemaps"};
// The tables whose rows are numbered: the rows added after the copy are numbered on from the
// copied ones.
constexpr const char* kNumbered[] = {"destinations", "sites", "answers", "runs",
                                     "inspection_words"};
// Rows a statement: a server's round trips, not its work, cost most.
constexpr int kRowsAStatement = 100;

struct Opened {
  Database db;
  std::string name;  // for messages: a server without its password
};

// The record at `location`, made where missing for the one moved into (`into`); a failure to
// reach it said in the record's words.
Opened open_location(const std::string& location, bool into) {
  if (!on_a_server(location)) {
    if (!into && !std::filesystem::exists(platform::utf8_path(location)))
      throw RecordError(texts::about(location, std::strerror(ENOENT)));
    std::error_code ignored;
    std::filesystem::create_directories(platform::utf8_path(location).parent_path(), ignored);
    try {
      return {Database(location, into ? Database::Access::kCreate : Database::Access::kReadWrite),
              location};
    } catch (const DatabaseError& error) {
      throw record_error(location, error);
    }
  }
#ifdef LINKCOURIER_POSTGRES
  const std::string shown = without_password(location);
  try {
    return {open_postgres(location), shown};
  } catch (const DatabaseError& error) {
    throw record_error(shown, error);
  }
#else
  throw RecordError(
      texts::about(location.substr(0, location.find(':')), texts::kRecordServerNotBuilt));
#endif
}

// Each value as the text both backends take into the column's own type.
void copy_table(Database& from, Database& to, const std::string& table) {
  const std::vector<std::string> columns = from.columns_of(table);
  Statement rows = from.prepare("SELECT " + listed(columns) + " FROM " + table);
  std::vector<std::optional<std::string>> values;
  const auto flush = [&](int count) {
    Statement insert = to.prepare(insert_rows(table, columns, count));
    for (std::size_t at = 0; at < values.size(); ++at)
      insert.bind_from(static_cast<int>(at) + 1, values[at]);
    insert.run();
    values.clear();
  };
  int waiting = 0;
  while (rows.step()) {
    for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
      values.push_back(rows.is_null(column) ? std::nullopt
                                            : std::optional<std::string>(rows.text(column)));
    }
    if (++waiting == kRowsAStatement) {
      flush(waiting);
      waiting = 0;
    }
  }
  if (waiting > 0) flush(waiting);
}

LinkTally tally_of(Database& db) {
  LinkTally tally;
  Statement select = db.prepare(
      "SELECT d.name, l.state, count(*) FROM links l JOIN destinations d ON d.id = l.destination "
      "GROUP BY d.name, l.state");
  while (select.step())
    tally[{std::string(select.text(0)), select.integer(1)}] = select.integer(2);
  return tally;
}

}  // namespace

Migration migrate_record(const std::string& from_location, const std::string& to_location) {
  Opened from = open_location(from_location, false);
  const auto guarded = [](const std::string& name, auto work) {
    try {
      return work();
    } catch (const DatabaseError& error) {
      throw record_error(name, error);
    }
  };
  // What is moved is only read, unless it is of an older format: upgraded first. One with
  // nothing in it is said, not made.
  guarded(from.name, [&] {
    try {
      ready_schema(from.db, from.name, true, false);
    } catch (const NeedsUpgrade&) {
      ready_schema(from.db, from.name, false, false);
    }
  });
  Opened to = open_location(to_location, true);
  Migration moved{.to = to.name, .tally = {}};
  guarded(to.name, [&] {
    ready_schema(to.db, to.name, false, false);
    Transaction copying(to.db);
    if (to.db.single_integer("SELECT count(*) FROM destinations") > 0)
      throw RecordError(texts::about(to.name, texts::kMigrationIntoUsed));
    for (const char* table : kTables) {
      if (!from.db.has_table(table)) continue;
      guarded(from.name, [&] { copy_table(from.db, to.db, table); });
    }
    for (const char* table : kNumbered)
      to.db.number_on(table);
    moved.tally = tally_of(to.db);
    if (moved.tally != guarded(from.name, [&] { return tally_of(from.db); }))
      throw RecordError(texts::about(to.name, texts::kMigrationCountsDiffer));
    moved.destinations = to.db.single_integer("SELECT count(*) FROM destinations");
    moved.links = to.db.single_integer("SELECT count(*) FROM links");
    moved.runs = to.db.single_integer("SELECT count(*) FROM runs");
    copying.commit();
  });
  return moved;
}

}  // namespace lc::push
