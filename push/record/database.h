#pragma once
// A thin owner of a database connection and its statements, the same for each backend the record
// runs on (an SQLite file, a PostgreSQL server): statements are written with ? or ?N parameters,
// and every failure becomes a DatabaseError that says what kind it was, so that the record can
// say what went wrong.

#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "push/record/link_states.h"

namespace lc::push {

class DatabaseError : public std::runtime_error {
 public:
  enum class Kind {
    kOther,
    kDiskFull,        // the disk (or the server's) took nothing more
    kNotADatabase,    // not SQLite's, or corrupt
    kConnectionLost,  // the server went away, or could not be reached
    kNotPermitted,    // the server's user may not do what was asked
    kNameTaken,       // a table of that name stands there already
    kConflict,        // given up for another transaction's sake (a deadlock): may run again
  };
  DatabaseError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  bool disk_full() const { return kind_ == Kind::kDiskFull; }
  bool not_a_database() const { return kind_ == Kind::kNotADatabase; }
  bool connection_lost() const { return kind_ == Kind::kConnectionLost; }
  bool not_permitted() const { return kind_ == Kind::kNotPermitted; }
  bool name_taken() const { return kind_ == Kind::kNameTaken; }
  bool conflict() const { return kind_ == Kind::kConflict; }

 private:
  Kind kind_;
};

// One prepared statement as a backend runs it: parameters numbered from 1, columns from 0.
class StatementBackend {
 public:
  virtual ~StatementBackend() = default;
  virtual void bind_integer(int at, std::int64_t value) = 0;
  virtual void bind_text(int at, std::string_view value) = 0;
  virtual void bind_null(int at) = 0;
  // True while a row is there; at the end it resets itself.
  virtual bool step() = 0;
  // Runs it for its effect alone; a server may take it with the next statement that waits for
  // a result, its failure thrown there.
  virtual void send() {
    while (step()) {
    }
  }
  // How many rows the statement's last run changed.
  virtual std::int64_t changes() const = 0;
  virtual bool is_null(int column) const = 0;
  virtual std::int64_t integer(int column) const = 0;  // a true/false column as 1/0
  virtual std::string_view text(int column) const = 0;
};

// What a database says of the record in it.
struct SchemaMark {
  bool empty = true;               // it holds no table at all
  std::int64_t application = 0;    // whose record it says it is; 0: it says nothing
  std::int64_t version = 0;        // the record's format
  std::int64_t first_version = 1;  // the oldest format a record in such a database can have
};

// Where the backends differ, the connection says how: the record's logic speaks no dialect.
class Connection {
 public:
  virtual ~Connection() = default;
  virtual void execute(std::string_view sql) = 0;
  virtual std::unique_ptr<StatementBackend> prepare(std::string_view sql) = 0;
  // One run again and again: a server parses and plans it once.
  virtual std::unique_ptr<StatementBackend> prepare_kept(std::string_view sql) {
    return prepare(sql);
  }
  // Runs table and index definitions written in SQLite's types, mapped to the backend's own.
  virtual void define(std::string_view ddl) = 0;
  virtual bool has_table(std::string_view name) = 0;
  // Waits until no other connection's transaction holds `key`, then holds it until this
  // transaction ends; where a transaction that writes excludes every other already, nothing.
  virtual void serialize(std::int64_t key) = 0;
  // What begins a transaction that writes.
  virtual std::string_view begin_writing() const = 0;
  // What has the commits after it kept without waiting for the disk (`relaxed`), or waiting for
  // it again.
  virtual std::string_view durability(bool relaxed) const = 0;
  // The database's own clock, seconds since 1970, as an expression: one clock for every user of
  // a shared record, whatever theirs say.
  virtual std::string_view clock() const = 0;

  // What the database says of the record in it; `mark_schema` says it, within the caller's
  // transaction.
  virtual SchemaMark schema_mark() = 0;
  virtual void mark_schema(std::int64_t application, std::int64_t version) = 0;
  // Readies a connection that writes the record; `sends`: it reads a million links at once.
  virtual void ready_for_writing(bool /*sends*/) {}
  // The columns of `table`, in their order.
  virtual std::vector<std::string> columns_of(std::string_view table) = 0;
  // After rows were copied with their numbers, the numbers the database gives `table`'s new rows
  // go on from the highest.
  virtual void number_on(std::string_view /*table*/) {}
  // `count` numbers for new rows of `table`, taken ahead, so that rows go in with the statements
  // around them; none where the database numbers a row as cheaply as it inserts it.
  virtual std::vector<std::int64_t> numbers_ahead(std::string_view /*table*/, int /*count*/) {
    return {};
  }
  // Where a round trip costs more than the work: many values go as a few arrays, and an answer's
  // links are kept in one statement.
  virtual bool values_as_arrays() const { return false; }
  // What goes before a statement that finds a few rows by the key in a large table; empty: nothing.
  virtual std::string_view by_the_key() const { return {}; }
  // What follows a large intake, so that the plans after it know the table's size; empty: nothing.
  virtual std::string_view after_large_intake() const { return {}; }
  // How rows of a table without numbers are ordered as they were kept.
  virtual std::string_view kept_order() const = 0;
};

class Statement {
 public:
  explicit Statement(std::unique_ptr<StatementBackend> backend) : backend_(std::move(backend)) {}

  // Binds the values in order, from the first parameter; a null optional binds NULL. Texts may
  // not be copied: they must outlive the step that follows.
  template <typename... Values>
  Statement& bind(const Values&... values) {
    return bind_from(1, values...);
  }
  // Binds the values in order, from the parameter `first` (from 1): one row of several.
  template <typename... Values>
  Statement& bind_from(int first, const Values&... values) {
    int at = first - 1;
    (bind_one(++at, values), ...);
    return *this;
  }
  // Steps once; true while a row is there. Resets itself at the end.
  bool step() { return backend_->step(); }
  // Runs it to its end and resets it; how many rows it changed.
  std::int64_t run() {
    while (step()) {
    }
    return backend_->changes();
  }

  // Runs it for its effect alone, within a transaction: a server takes it with the next
  // statement that waits for a result (at the latest the commit), in one round trip, and any
  // failure is thrown there.
  void send() { backend_->send(); }

  std::int64_t integer(int column) const { return backend_->integer(column); }
  bool is_null(int column) const { return backend_->is_null(column); }
  std::optional<std::int64_t> optional_integer(int column) const {
    if (is_null(column)) return std::nullopt;
    return integer(column);
  }
  std::string_view text(int column) const { return backend_->text(column); }

 private:
  template <std::integral T>
  void bind_one(int at, T value) {
    backend_->bind_integer(at, static_cast<std::int64_t>(value));
  }
  template <typename T>
  requires std::is_enum_v<T>
  void bind_one(int at, T value) { backend_->bind_integer(at, static_cast<std::int64_t>(value)); }
  void bind_one(int at, std::string_view value) { backend_->bind_text(at, value); }
  void bind_one(int at, const std::string& value) { bind_one(at, std::string_view(value)); }
  void bind_one(int at, const char* value) { bind_one(at, std::string_view(value)); }
  void bind_one(int at, std::nullopt_t) { backend_->bind_null(at); }
  template <typename T>
  void bind_one(int at, const std::optional<T>& value) {
    if (value) {
      bind_one(at, *value);
    } else {
      bind_one(at, std::nullopt);
    }
  }

  std::unique_ptr<StatementBackend> backend_;
};

class Database {
 public:
  enum class Access {
    kCreate,     // read and written, made when missing
    kReadWrite,  // read and written
    kReadOnly,   // read only, beside any writer
    kUnchanging  // read only, on a file no one writes now (a read-only mount): no locks at all
  };
  // Opens the SQLite database at the UTF-8 `path`; ":memory:" for one that lives as long as the
  // connection.
  Database(const std::string& path, Access access);
  Database(const std::string& path, bool create)
      : Database(path, create ? Access::kCreate : Access::kReadWrite) {}
  explicit Database(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}

  // The record's SQL names link states ({waiting}, ...): written here as their numbers.
  void execute(std::string_view sql) { connection_->execute(with_link_states(sql)); }
  Statement prepare(std::string_view sql) {
    return Statement(connection_->prepare(with_link_states(sql)));
  }
  std::unique_ptr<Statement> prepare_kept(std::string_view sql) {
    return std::make_unique<Statement>(connection_->prepare_kept(with_link_states(sql)));
  }
  void define(std::string_view ddl) { connection_->define(with_link_states(ddl)); }
  bool has_table(std::string_view name) { return connection_->has_table(name); }
  void serialize(std::int64_t key) { connection_->serialize(key); }
  std::string_view begin_writing() const { return connection_->begin_writing(); }
  std::string_view durability(bool relaxed) const { return connection_->durability(relaxed); }
  std::string_view clock() const { return connection_->clock(); }
  SchemaMark schema_mark() { return connection_->schema_mark(); }
  void mark_schema(std::int64_t application, std::int64_t version) {
    connection_->mark_schema(application, version);
  }
  void ready_for_writing(bool sends) { connection_->ready_for_writing(sends); }
  std::vector<std::string> columns_of(std::string_view table) {
    return connection_->columns_of(table);
  }
  void number_on(std::string_view table) { connection_->number_on(table); }
  std::vector<std::int64_t> numbers_ahead(std::string_view table, int count) {
    return connection_->numbers_ahead(table, count);
  }
  bool values_as_arrays() const { return connection_->values_as_arrays(); }
  std::string_view by_the_key() const { return connection_->by_the_key(); }
  std::string_view after_large_intake() const { return connection_->after_large_intake(); }
  std::string_view kept_order() const { return connection_->kept_order(); }
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
  std::unique_ptr<Connection> connection_;
};

// The first column of the first row (0 when none) of `sql`, run on `connection`.
std::int64_t first_integer(Connection& connection, std::string_view sql);

// `parts` with commas between.
std::string listed(const std::vector<std::string>& parts);

// An INSERT of `rows` rows into `columns` of `table`, one parameter a value, in order.
std::string insert_rows(const std::string& table, const std::vector<std::string>& columns,
                        int rows);

// A server's array literals, as its input syntax writes them: a statement's many values bound as
// a few arrays, which it parses far faster than one parameter a value.
std::string text_array(std::span<const std::string_view> texts);
std::string number_array(std::span<const std::int64_t> numbers);
std::string number_array(std::span<const std::optional<std::int64_t>> numbers);

// A transaction that writes, rolled back unless committed.
class Transaction {
 public:
  // Begun with the first statement that waits for a result, or the commit.
  explicit Transaction(Database& db) : db_(db) { db_.prepare(db_.begin_writing()).send(); }
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void commit();

 private:
  Database& db_;
  bool open_ = true;
};

}  // namespace lc::push
