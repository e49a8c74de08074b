#pragma once
// What a connection to a PostgreSQL server says to it and hears back. A statement whose result
// no one reads need not cost a round trip of its own: it is held (sent, its answer not awaited)
// and goes with the next statement that waits for its result, all in one round trip. On a
// shared machine a round trip costs as much as a statement's work.

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "push/record/database.h"

namespace lc::push {

// libpq's last message on `connection`, without its line end.
std::string error_message(PGconn* connection);

class PostgresExchange {
 public:
  explicit PostgresExchange(PGconn* connection) : connection_(connection) {}

  // Sends `sql` with `values` (null for NULL) and returns at once; its result is read, and any
  // failure thrown, with the next statement run. Only inside a transaction: held statements and
  // the one that follows them are one transaction to the server anyway. `kept`: a statement run
  // again and again, which the server parses and plans once a connection.
  void hold(const std::string& sql, const std::vector<const char*>& values, bool kept);
  // Runs `sql` after every statement held and gives its result, owned by the caller. Throws the
  // first failure, of a held one or its own.
  PGresult* run(const std::string& sql, const std::vector<const char*>& values, bool kept);
  // Runs `sql`, which may be several statements, without parameters, after every statement held.
  void execute(const std::string& sql);
  // Nothing held.
  bool idle() const { return held_ == 0; }

 private:
  void send(const std::string& sql, const std::vector<const char*>& values, bool kept);
  void send_in_pipeline(const std::string& sql, const std::vector<const char*>& values, bool kept);
  PGresult* run_held_and(const std::string* sql, const std::vector<const char*>& values, bool kept);

  PGconn* connection_;
  int held_ = 0;  // what waits for its answer: statements, and the parsing of kept ones
  std::unordered_map<std::string, std::string> names_;  // of kept statements, by their text
  std::vector<std::string> unconfirmed_;  // kept statements parsed since the last answers came
  std::uint64_t named_ = 0;               // names given
};

}  // namespace lc::push
