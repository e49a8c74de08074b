#include "push/record/sqlite_db.h"

#include <sqlite3.h>

#include <filesystem>

#include "platform/utf8_files.h"

namespace lc::push {
namespace {

constexpr int kBusyMilliseconds = 10000;

[[noreturn]] void fail(sqlite3* db, int result) {
  throw DatabaseError(result & 0xFF, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result));
}

// A path as a file: URI's path: what the URI syntax reads otherwise percent-encoded.
std::string uri_path(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  std::error_code ignored;
  for (const char c :
       platform::utf8_name(std::filesystem::absolute(platform::utf8_path(path), ignored))) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '%' || c == '?' || c == '#' || byte < 0x21) {
      encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    } else {
      encoded += c == '\\' ? '/' : c;
    }
  }
  // A Windows path begins with its drive: file:/C:/...
  return encoded.starts_with('/') ? encoded : "/" + encoded;
}

}  // namespace

bool DatabaseError::disk_full() const {
  return code_ == SQLITE_FULL || code_ == SQLITE_IOERR;
}

bool DatabaseError::not_a_database() const {
  return code_ == SQLITE_NOTADB || code_ == SQLITE_CORRUPT;
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  check(sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr));
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

void Statement::check(int result) const {
  if (result != SQLITE_OK) fail(db_, result);
}

bool Statement::step() {
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  sqlite3_reset(statement_);
  if (result != SQLITE_DONE) fail(db_, result);
  return false;
}

void Statement::run() {
  while (step()) {
  }
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::optional<std::int64_t> Statement::optional_integer(int column) const {
  if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
  return integer(column);
}

std::string_view Statement::text(int column) const {
  const auto* bytes = sqlite3_column_text(statement_, column);
  if (bytes == nullptr) return {};
  return {reinterpret_cast<const char*>(bytes),
          static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
}

void Statement::bind_integer(int at, std::int64_t value) {
  check(sqlite3_bind_int64(statement_, at, value));
}

// Not copied: every caller binds again before the next step, and its text outlives the step.
void Statement::bind_one(int at, std::string_view value) {
  check(sqlite3_bind_text(statement_, at, value.data(), static_cast<int>(value.size()),
                          SQLITE_STATIC));
}

void Statement::bind_one(int at, std::nullopt_t) {
  check(sqlite3_bind_null(statement_, at));
}

Database::Database(const std::string& path, Access access) {
  // One thread uses a connection: SQLite's own locking of each call is not needed.
  int flags = SQLITE_OPEN_NOMUTEX;
  std::string name = path;
  switch (access) {
    case Access::kCreate:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case Access::kReadWrite:
      flags |= SQLITE_OPEN_READWRITE;
      break;
    case Access::kReadOnly:
      flags |= SQLITE_OPEN_READONLY;
      break;
    case Access::kUnchanging:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      name = "file:" + uri_path(path) + "?immutable=1";
      break;
  }
  const int result = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    const DatabaseError error(result & 0xFF, sqlite3_errstr(result));
    sqlite3_close(db_);
    throw error;
  }
  sqlite3_extended_result_codes(db_, 0);
  // Writers beside each other (a run, a service's intake) take turns rather than fail.
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
}

Database::~Database() {
  sqlite3_close_v2(db_);
}

void Database::execute(std::string_view sql) {
  const std::string text(sql);
  const int result = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
  if (result != SQLITE_OK) fail(db_, result);
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.execute("ROLLBACK");
  } catch (const DatabaseError&) {
    // A failed statement may have ended the transaction already.
  }
}

void Transaction::commit() {
  db_.execute("COMMIT");
  open_ = false;
}

}  // namespace lc::push
