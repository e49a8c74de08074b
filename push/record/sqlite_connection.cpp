#include "push/record/database.h"

#include <sqlite3.h>

#include <filesystem>

#include "platform/utf8_files.h"

namespace lc::push {
namespace {

constexpr int kBusyMilliseconds = 10000;

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

DatabaseError::Kind kind_of(int result) {
  switch (result & 0xFF) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
      return DatabaseError::Kind::kDiskFull;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return DatabaseError::Kind::kNotADatabase;
    default:
      return DatabaseError::Kind::kOther;
  }
}

[[noreturn]] void fail(sqlite3* db, int result) {
  throw DatabaseError(kind_of(result), db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(result));
}

class SqliteStatement final : public StatementBackend {
 public:
  SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    check(sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr));
  }
  ~SqliteStatement() override { sqlite3_finalize(statement_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  void bind_integer(int at, std::int64_t value) override {
    check(sqlite3_bind_int64(statement_, at, value));
  }
  // Not copied: every caller binds again before the next step, and its text outlives the step.
  void bind_text(int at, std::string_view value) override {
    check(sqlite3_bind_text(statement_, at, value.data(), static_cast<int>(value.size()),
                            SQLITE_STATIC));
  }
  void bind_null(int at) override { check(sqlite3_bind_null(statement_, at)); }

  bool step() override {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    sqlite3_reset(statement_);
    if (result != SQLITE_DONE) fail(db_, result);
    changes_ = sqlite3_changes64(db_);
    return false;
  }
  std::int64_t changes() const override { return changes_; }

  bool is_null(int column) const override {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
  }
  std::int64_t integer(int column) const override {
    return sqlite3_column_int64(statement_, column);
  }
  std::string_view text(int column) const override {
    const auto* bytes = sqlite3_column_text(statement_, column);
    if (bytes == nullptr) return {};
    return {reinterpret_cast<const char*>(bytes),
            static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
  }

 private:
  void check(int result) const {
    if (result != SQLITE_OK) fail(db_, result);
  }

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
  std::int64_t changes_ = 0;
};

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(const std::string& path, Database::Access access);
  ~SqliteConnection() override { sqlite3_close_v2(db_); }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  void execute(std::string_view sql) override {
    const std::string text(sql);
    const int result = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) fail(db_, result);
  }
  std::unique_ptr<StatementBackend> prepare(std::string_view sql) override {
    return std::make_unique<SqliteStatement>(db_, sql);
  }
  void define(std::string_view ddl) override { execute(ddl); }
  void serialize(std::int64_t) override {}
  bool has_table(std::string_view name) override {
    Statement count(prepare("SELECT count(*) FROM sqlite_schema WHERE name = ?"));
    const bool found = count.bind(name).step() && count.integer(0) > 0;
    count.run();
    return found;
  }
  // Taking the write lock at once: a transaction that read first could not write later.
  std::string_view begin_writing() const override { return "BEGIN IMMEDIATE"; }
  std::string_view durability(bool relaxed) const override {
    return relaxed ? "PRAGMA synchronous = NORMAL" : "PRAGMA synchronous = FULL";
  }
  std::string_view clock() const override { return "CAST(strftime('%s', 'now') AS INTEGER)"; }
  // The file's header says whose it is and of what format.
  SchemaMark schema_mark() override {
    return {.empty = first_integer(*this, "SELECT count(*) FROM sqlite_schema") == 0,
            .application = first_integer(*this, "PRAGMA application_id"),
            .version = first_integer(*this, "PRAGMA user_version")};
  }
  void mark_schema(std::int64_t application, std::int64_t version) override {
    execute("PRAGMA application_id = " + std::to_string(application) +
            "; PRAGMA user_version = " + std::to_string(version));
  }
  void ready_for_writing(bool sends) override {
    // Each answer is on the disk before the next request goes out, power cut or not.
    execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL");
    // A run's lookups of a million known links read the file through memory mapping rather than
    // calls; a service's intake, open for days, keeps its memory to SQLite's small page cache.
    if (sends) execute("PRAGMA mmap_size = 1073741824");
  }
  std::vector<std::string> columns_of(std::string_view table) override {
    Statement select(prepare("SELECT name FROM pragma_table_info(?)"));
    std::vector<std::string> columns;
    select.bind(table);
    while (select.step())
      columns.emplace_back(select.text(0));
    return columns;
  }
  std::string_view kept_order() const override { return "rowid"; }

 private:
  sqlite3* db_ = nullptr;
};

SqliteConnection::SqliteConnection(const std::string& path, Database::Access access) {
  // One thread uses a connection: SQLite's own locking of each call is not needed.
  int flags = SQLITE_OPEN_NOMUTEX;
  std::string name = path;
  switch (access) {
    case Database::Access::kCreate:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case Database::Access::kReadWrite:
      flags |= SQLITE_OPEN_READWRITE;
      break;
    case Database::Access::kReadOnly:
      flags |= SQLITE_OPEN_READONLY;
      break;
    case Database::Access::kUnchanging:
      flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
      name = "file:" + uri_path(path) + "?immutable=1";
      break;
  }
  const int result = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    const DatabaseError error(kind_of(result), sqlite3_errstr(result));
    sqlite3_close(db_);
    throw error;
  }
  sqlite3_extended_result_codes(db_, 0);
  // Writers beside each other (a run, a service's intake) take turns rather than fail.
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
}

}  // namespace

Database::Database(const std::string& path, Access access)
    : connection_(std::make_unique<SqliteConnection>(path, access)) {}

}  // namespace lc::push
