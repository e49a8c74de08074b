#include "push/record/postgres_connection.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/text_encodings.h"
#include "push/record/postgres_exchange.h"

namespace lc::push {
namespace {

// `text` with each whole-word `words` as `with` instead.
std::string with_words(const std::string& text, std::string_view words, std::string_view with) {
  const auto part_of_word = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  };
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) {
    const std::size_t end = at + words.size();
    if ((at > 0 && part_of_word(text[at - 1])) || (end < text.size() && part_of_word(text[end])))
      continue;
    result.append(text, from, at - from).append(with);
    from = end;
    at = end - 1;
  }
  return result.append(text, from);
}

// SQLite's parameters (? numbered in order, ?N) as the server's ($N), outside quotes; how many.
std::string numbered_parameters(std::string_view sql, int& count) {
  std::string translated;
  translated.reserve(sql.size() + 16);
  char quote = 0;
  count = 0;
  for (std::size_t at = 0; at < sql.size(); ++at) {
    const char c = sql[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
      translated += c;
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    if (c != '?') {
      translated += c;
      continue;
    }
    std::size_t end = at + 1;
    while (end < sql.size() && sql[end] >= '0' && sql[end] <= '9')
      ++end;
    int number = count + 1;
    if (end > at + 1) std::from_chars(sql.data() + at + 1, sql.data() + end, number);
    count = std::max(count, number);
    translated += '$';
    translated += std::to_string(number);
    at = end - 1;
  }
  return translated;
}

class PostgresStatement final : public StatementBackend {
 public:
  PostgresStatement(PostgresExchange& exchange, std::string_view sql, bool kept)
      : exchange_(exchange), kept_(kept) {
    int count = 0;
    sql_ = numbered_parameters(sql, count);
    values_.resize(static_cast<std::size_t>(count));
  }
  ~PostgresStatement() override { PQclear(result_); }
  PostgresStatement(const PostgresStatement&) = delete;
  PostgresStatement& operator=(const PostgresStatement&) = delete;

  void bind_integer(int at, std::int64_t value) override { value_at(at) = std::to_string(value); }
  // The server takes UTF-8 only: a malformed sequence (an engine's words in another encoding)
  // is kept as U+FFFD rather than the answer lost with its statement.
  void bind_text(int at, std::string_view value) override {
    const bool ascii = std::all_of(value.begin(), value.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    value_at(at) =
        ascii ? std::string(value) : platform::utf16_to_utf8(platform::utf8_to_utf16(value));
  }
  void bind_null(int at) override { value_at(at).reset(); }

  bool step() override {
    if (result_ == nullptr) {
      result_ = exchange_.run(sql_, values(), kept_);
      row_ = -1;
      const char* changed = PQcmdTuples(result_);
      changes_ = *changed != '\0' ? std::atoll(changed) : 0;
    }
    if (++row_ < PQntuples(result_)) return true;
    PQclear(result_);
    result_ = nullptr;
    return false;
  }
  void send() override { exchange_.hold(sql_, values(), kept_); }
  std::int64_t changes() const override { return changes_; }

  bool is_null(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
  std::int64_t integer(int column) const override {
    const std::string_view value = text(column);
    if (value == "t") return 1;
    if (value == "f") return 0;
    std::int64_t number = 0;
    std::from_chars(value.data(), value.data() + value.size(), number);
    return number;
  }
  std::string_view text(int column) const override {
    return {PQgetvalue(result_, row_, column),
            static_cast<std::size_t>(PQgetlength(result_, row_, column))};
  }

 private:
  std::vector<const char*> values() const {
    std::vector<const char*> values;
    for (const std::optional<std::string>& value : values_)
      values.push_back(value ? value->c_str() : nullptr);
    return values;
  }
  std::optional<std::string>& value_at(int at) {
    if (at < 1 || at > static_cast<int>(values_.size()))
      throw DatabaseError(DatabaseError::Kind::kOther,
                          "parameter " + std::to_string(at) + " out of range in: " + sql_);
    // Binding anew begins the statement anew.
    PQclear(result_);
    result_ = nullptr;
    return values_[static_cast<std::size_t>(at - 1)];
  }

  PostgresExchange& exchange_;
  bool kept_;  // run again and again: parsed and planned once
  std::string sql_;
  std::vector<std::optional<std::string>> values_;
  PGresult* result_ = nullptr;
  int row_ = -1;
  std::int64_t changes_ = 0;
};

// A connection to the server and what goes over it.
struct Session {
  explicit Session(PGconn* opened) : connection(opened), exchange(opened) {}
  ~Session() { PQfinish(connection); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  PGconn* connection;
  PostgresExchange exchange;
};

std::unique_ptr<Session> connected(const std::string& uri) {
  auto session = std::make_unique<Session>(PQconnectdb(uri.c_str()));
  PGconn* connection = session->connection;
  if (PQstatus(connection) != CONNECTION_OK)
    throw DatabaseError(DatabaseError::Kind::kConnectionLost, error_message(connection));
  // The server's notices (a table already there) are no news to a user.
  PQsetNoticeProcessor(
      connection, [](void*, const char*) {}, nullptr);
  if (PQsetClientEncoding(connection, "UTF8") != 0)
    throw DatabaseError(DatabaseError::Kind::kOther, error_message(connection));
  return session;
}

// The sessions no record of this process uses now, one a server: the next record opened there
// takes one over, where a new one would cost a process on the server and its caches filled anew
// (a config's run opens a record a site, and once more for each it comes back to).
class IdleSessions {
 public:
  void keep(const std::string& uri, std::unique_ptr<Session> session) {
    const std::lock_guard lock(mutex_);
    sessions_[uri] = std::move(session);
  }
  // One still connected, or null.
  std::unique_ptr<Session> take(const std::string& uri) {
    std::unique_ptr<Session> session;
    {
      const std::lock_guard lock(mutex_);
      const auto kept = sessions_.find(uri);
      if (kept == sessions_.end()) return nullptr;
      session = std::move(kept->second);
      sessions_.erase(kept);
    }
    // The server may have gone away meanwhile, or restarted.
    PGresult* answer = PQexec(session->connection, "");
    const bool alive = PQresultStatus(answer) == PGRES_EMPTY_QUERY;
    PQclear(answer);
    return alive ? std::move(session) : nullptr;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, std::unique_ptr<Session>> sessions_;
};

IdleSessions& idle_sessions() {
  static IdleSessions sessions;
  return sessions;
}

class PostgresConnection final : public Connection {
 public:
  explicit PostgresConnection(const std::string& uri) : uri_(uri) {
    session_ = idle_sessions().take(uri);
    if (!session_) session_ = connected(uri);
  }
  // Kept for the next record where nothing of this one's is left open on it.
  ~PostgresConnection() override {
    if (PQstatus(session_->connection) == CONNECTION_OK &&
        PQtransactionStatus(session_->connection) == PQTRANS_IDLE && session_->exchange.idle())
      idle_sessions().keep(uri_, std::move(session_));
  }
  PostgresConnection(const PostgresConnection&) = delete;
  PostgresConnection& operator=(const PostgresConnection&) = delete;

  void execute(std::string_view sql) override { session_->exchange.execute(std::string(sql)); }
  std::unique_ptr<StatementBackend> prepare(std::string_view sql) override {
    return std::make_unique<PostgresStatement>(session_->exchange, sql, false);
  }
  std::unique_ptr<StatementBackend> prepare_kept(std::string_view sql) override {
    return std::make_unique<PostgresStatement>(session_->exchange, sql, true);
  }
  // 64-bit numbers throughout, row numbers the server's identity columns, and texts in byte
  // order as SQLite compares them.
  void define(std::string_view ddl) override {
    std::string mapped = with_words(std::string(ddl), "INTEGER PRIMARY KEY",
                                    "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    mapped = with_words(mapped, "INTEGER", "BIGINT");
    mapped = with_words(mapped, "TEXT", "TEXT COLLATE \"C\"");
    execute(with_words(mapped, "WITHOUT ROWID", ""));
  }
  // Read as rows, not through the server's cache of names, which a transaction that made the
  // table just now may not have reached yet.
  bool has_table(std::string_view name) override {
    Statement found(prepare(
        "SELECT count(*) FROM pg_tables WHERE tablename = ? AND schemaname = current_schema()"));
    const bool there = found.bind(name).step() && found.integer(0) == 1;
    found.run();
    return there;
  }
  void serialize(std::int64_t key) override {
    Statement(prepare("SELECT pg_advisory_xact_lock(?)")).bind(key).run();
  }
  std::string_view begin_writing() const override { return "BEGIN"; }
  std::string_view durability(bool relaxed) const override {
    return relaxed ? "SET synchronous_commit = off" : "RESET synchronous_commit";
  }
  std::string_view clock() const override {
    return "CAST(extract(epoch FROM clock_timestamp()) AS BIGINT)";
  }
  // A table of its own says whose the record is and of what format; a server's record began at
  // the ninth.
  SchemaMark schema_mark() override {
    SchemaMark mark{.first_version = 9};
    if (!has_table("record_version")) return mark;
    Statement kept(prepare("SELECT application, version FROM record_version"));
    if (kept.step()) {
      mark = {.empty = false,
              .application = kept.integer(0),
              .version = kept.integer(1),
              .first_version = 9};
    }
    kept.run();
    return mark;
  }
  void mark_schema(std::int64_t application, std::int64_t version) override {
    if (!has_table("record_version")) {
      define("CREATE TABLE record_version(application INTEGER NOT NULL, version INTEGER NOT NULL)");
      Statement(prepare("INSERT INTO record_version(application, version) VALUES(?, ?)"))
          .bind(application, version)
          .run();
      return;
    }
    Statement(prepare("UPDATE record_version SET application = ?, version = ?"))
        .bind(application, version)
        .run();
  }
  std::vector<std::string> columns_of(std::string_view table) override {
    Statement select(
        prepare("SELECT column_name FROM information_schema.columns WHERE table_name = ? "
                "AND table_schema = current_schema() ORDER BY ordinal_position"));
    std::vector<std::string> columns;
    select.bind(table);
    while (select.step())
      columns.emplace_back(select.text(0));
    return columns;
  }
  void number_on(std::string_view table) override {
    Statement(prepare("SELECT setval(pg_get_serial_sequence(?, 'id'), coalesce(max(id), 0) + 1, "
                      "false) FROM " +
                      std::string(table)))
        .bind(table)
        .run();
  }
  std::vector<std::int64_t> numbers_ahead(std::string_view table, int count) override {
    Statement taken(prepare(
        "SELECT nextval(pg_get_serial_sequence(?, 'id')) FROM generate_series(1, ?) ORDER BY 1"));
    taken.bind(table, count);
    std::vector<std::int64_t> numbers;
    while (taken.step())
      numbers.push_back(taken.integer(0));
    return numbers;
  }
  bool values_as_arrays() const override { return true; }
  std::string_view by_the_key() const override {
    return "SELECT set_config('enable_hashjoin', 'off', true), "
           "set_config('enable_mergejoin', 'off', true), set_config('enable_seqscan', 'off', true)";
  }
  // Its size and how it spreads over destinations are what the plans weigh: a small sample of
  // that one column tells them for a fraction of what the whole table's statistics cost.
  std::string_view after_large_intake() const override {
    return "SET LOCAL default_statistics_target = 10; ANALYZE links(destination)";
  }
  // Its tables have no row numbers, only times.
  std::string_view kept_order() const override { return "time"; }

 private:
  std::string uri_;
  std::unique_ptr<Session> session_;
};

}  // namespace

Database open_postgres(const std::string& uri) {
  return Database(std::make_unique<PostgresConnection>(uri));
}

std::string without_password(const std::string& uri) {
  // user:password@ in the authority, password=... among the parameters.
  if (uri.find("://") == std::string::npos) return uri;
  const std::size_t start = uri.find("://") + 3;
  const std::size_t query = uri.find('?', start);
  const std::size_t authority_end = std::min(uri.find('/', start), query);
  std::string shown = uri.substr(0, std::min(authority_end, uri.size()));
  const std::size_t at = shown.rfind('@');
  const std::size_t colon = shown.find(':', start);
  if (at != std::string::npos && colon < at) shown.erase(colon, at - colon);
  if (query == std::string::npos) return shown + uri.substr(std::min(authority_end, uri.size()));
  shown += uri.substr(authority_end, query - authority_end);
  std::string parameters;
  std::size_t from = query + 1;
  while (from <= uri.size()) {
    const std::size_t end = std::min(uri.find('&', from), uri.size());
    const std::string parameter = uri.substr(from, end - from);
    if (!parameter.starts_with("password=")) {
      parameters += parameters.empty() ? '?' : '&';
      parameters += parameter;
    }
    from = end + 1;
  }
  return shown + parameters;
}

}  // namespace lc::push
