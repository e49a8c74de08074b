#pragma once
// A thin owner of an SQLite connection and its statements: every failure becomes a
// DatabaseError that keeps SQLite's code, so that the record can say what went wrong.

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace lc::push {

class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }  // SQLite's primary result code
  bool disk_full() const;
  bool not_a_database() const;  // not SQLite's, or corrupt

 private:
  int code_;
};

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binds the values in order, from the first parameter; a null optional binds NULL. Texts are
  // not copied: they must outlive the step that follows.
  template <typename... Values>
  Statement& bind(const Values&... values) {
    int at = 0;
    (bind_one(++at, values), ...);
    return *this;
  }
  // Steps once; true while a row is there. Resets itself at the end.
  bool step();
  // Runs it to its end and resets it.
  void run();

  std::int64_t integer(int column) const;
  std::optional<std::int64_t> optional_integer(int column) const;
  std::string_view text(int column) const;

 private:
  template <std::integral T>
  void bind_one(int at, T value) {
    bind_integer(at, static_cast<std::int64_t>(value));
  }
  void bind_integer(int at, std::int64_t value);
  void bind_one(int at, std::string_view value);
  void bind_one(int at, const std::string& value) { bind_one(at, std::string_view(value)); }
  void bind_one(int at, const char* value) { bind_one(at, std::string_view(value)); }
  void bind_one(int at, std::nullopt_t);
  template <typename T>
  void bind_one(int at, const std::optional<T>& value) {
    if (value) {
      bind_one(at, *value);
    } else {
      bind_one(at, std::nullopt);
    }
  }
  void check(int result) const;

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

class Database {
 public:
  enum class Access {
    kCreate,     // read and written, made when missing
    kReadWrite,  // read and written
    kReadOnly,   // read only, beside any writer
    kUnchanging  // read only, on a file no one writes now (a read-only mount): no locks at all
  };
  // Opens the database at the UTF-8 `path`; ":memory:" for one that lives as long as the
  // connection.
  Database(const std::string& path, Access access);
  Database(const std::string& path, bool create)
      : Database(path, create ? Access::kCreate : Access::kReadWrite) {}
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  void execute(std::string_view sql);
  Statement prepare(std::string_view sql) { return Statement(db_, sql); }
  std::unique_ptr<Statement> prepare_kept(std::string_view sql) {
    return std::make_unique<Statement>(db_, sql);
  }
  // The first column of the first row (0 when none) of `sql` with `values` bound.
  template <typename... Values>
  std::int64_t single_integer(std::string_view sql, const Values&... values) {
    Statement statement = prepare(sql);
    statement.bind(values...);
    const std::int64_t value = statement.step() ? statement.integer(0) : 0;
    statement.run();
    return value;
  }

 private:
  sqlite3* db_ = nullptr;
};

// A transaction that rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(Database& db) : db_(db) { db_.execute("BEGIN IMMEDIATE"); }
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace lc::push
