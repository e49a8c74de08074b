#pragma once
// The record's logic over a database, the same on each backend: an SQLite file, a PostgreSQL
// server. Its tables are readied on opening (record_schema.h).

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/run_lock.h"
#include "push/record/database.h"
#include "push/record/record.h"

namespace lc::push {

// How long a run waits between looks at a lease or file another holds.
inline constexpr auto kLookEvery = std::chrono::milliseconds(100);

struct SqlRecordUse {
  std::string name;        // how messages name the record: its file, or its server without password
  bool read_only = false;  // asked only, never written: an older record is upgraded first
  std::unique_ptr<platform::RunLock> file_held{};  // held as long as the record is open
  // A new connection to the server the record is on, where a lost one may be made again.
  std::function<Database()> reconnect{};
};

// Opens the record in `db` as `opening` asks. Throws RecordBusy when another sender holds the
// destination, RecordError when the record cannot be used, NeedsUpgrade (read-only) where the
// record is older than the program.
std::unique_ptr<Record> open_sql_record(Database db, const RecordOpening& opening,
                                        SqlRecordUse use);

// Keeps the links of a text state file as accepted at their times.
void import_accepted(Database db, const RecordOpening& opening, std::string name,
                     std::string_view text);

// The database's failure as the record's, the record named.
RecordError record_error(const std::string& name, const DatabaseError& error);

}  // namespace lc::push
