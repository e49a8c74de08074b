#include "push/record/postgres_exchange.h"

#include <optional>
#include <utility>

namespace lc::push {
namespace {

std::string trimmed(const char* message) {
  std::string text = message != nullptr ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

DatabaseError::Kind kind_of(PGconn* connection, const PGresult* result) {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const std::string_view code = state != nullptr ? state : "";
  // Every error of the server's own has its code: one without is libpq's, of the connection.
  if (PQstatus(connection) == CONNECTION_BAD || code.empty() || code.starts_with("08") ||
      code.starts_with("57P"))
    return DatabaseError::Kind::kConnectionLost;
  if (code == "53100") return DatabaseError::Kind::kDiskFull;
  if (code == "42501") return DatabaseError::Kind::kNotPermitted;
  if (code == "42P07") return DatabaseError::Kind::kNameTaken;
  if (code == "40P01" || code == "40001") return DatabaseError::Kind::kConflict;
  return DatabaseError::Kind::kOther;
}

bool succeeded(const PGresult* result) {
  const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

DatabaseError failure_of(PGconn* connection, const PGresult* result) {
  return DatabaseError(kind_of(connection, result), result != nullptr
                                                        ? trimmed(PQresultErrorMessage(result))
                                                        : error_message(connection));
}

// Throws where `result` is no success; else gives it, still owned by the caller.
PGresult* checked(PGconn* connection, PGresult* result) {
  if (succeeded(result)) return result;
  const DatabaseError error = failure_of(connection, result);
  PQclear(result);
  throw error;
}

}  // namespace

std::string error_message(PGconn* connection) {
  return trimmed(PQerrorMessage(connection));
}

void PostgresExchange::hold(const std::string& sql, const std::vector<const char*>& values,
                            bool kept) {
  // Their answers wait in the server's buffers and their failures come late: a few at a time.
  constexpr int kMostHeld = 100;
  if (held_ >= kMostHeld) run_held_and(nullptr, {}, false);
  send(sql, values, kept);
}

PGresult* PostgresExchange::run(const std::string& sql, const std::vector<const char*>& values,
                                bool kept) {
  // A kept statement parsed here goes with its first run, in one round trip.
  if (held_ > 0 || kept) return run_held_and(&sql, values, kept);
  // Untyped: the server takes each parameter as its place in the statement asks.
  return checked(connection_,
                 PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                              values.data(), nullptr, nullptr, 0));
}

void PostgresExchange::execute(const std::string& sql) {
  if (held_ > 0) run_held_and(nullptr, {}, false);
  PQclear(checked(connection_, PQexec(connection_, sql.c_str())));
}

// Sends `sql` in the pipeline, parsed first where it is kept and not yet parsed; counts what
// will answer. The pipeline begins with the first thing sent and ends where it fails.
void PostgresExchange::send(const std::string& sql, const std::vector<const char*>& values,
                            bool kept) {
  if (held_ == 0 && PQenterPipelineMode(connection_) != 1) throw failure_of(connection_, nullptr);
  try {
    send_in_pipeline(sql, values, kept);
  } catch (const DatabaseError&) {
    if (held_ == 0) PQexitPipelineMode(connection_);
    throw;
  }
}

void PostgresExchange::send_in_pipeline(const std::string& sql,
                                        const std::vector<const char*>& values, bool kept) {
  const int count = static_cast<int>(values.size());
  if (!kept) {
    if (PQsendQueryParams(connection_, sql.c_str(), count, nullptr, values.data(), nullptr, nullptr,
                          0) != 1)
      throw failure_of(connection_, nullptr);
    ++held_;
    return;
  }
  auto named = names_.find(sql);
  if (named == names_.end()) {
    // A new name each time: one parsed in a failed exchange may be there or not.
    named = names_.emplace(sql, "lc" + std::to_string(++named_)).first;
    if (PQsendPrepare(connection_, named->second.c_str(), sql.c_str(), count, nullptr) != 1) {
      names_.erase(named);
      throw failure_of(connection_, nullptr);
    }
    unconfirmed_.push_back(sql);
    ++held_;
  }
  if (PQsendQueryPrepared(connection_, named->second.c_str(), count, values.data(), nullptr,
                          nullptr, 0) != 1)
    throw failure_of(connection_, nullptr);
  ++held_;
}

// The held statements and `sql` (where given) end in one sync point: the server runs them in
// order, skips all after the first that fails and answers them all at once. Gives the result of
// `sql`, else null.
PGresult* PostgresExchange::run_held_and(const std::string* sql,
                                         const std::vector<const char*>& values, bool kept) {
  std::optional<DatabaseError> failure;
  try {
    if (sql != nullptr) send(*sql, values, kept);
  } catch (const DatabaseError& error) {
    failure = error;
  }
  const bool own_sent = sql != nullptr && !failure;
  const int answers = std::exchange(held_, 0);
  PGresult* own = nullptr;
  const auto connected = [&] { return PQstatus(connection_) != CONNECTION_BAD; };
  if (PQpipelineSync(connection_) == 1) {
    // Each one's results end with a null.
    for (int answer = 0; answer < answers && connected(); ++answer) {
      while (PGresult* result = PQgetResult(connection_)) {
        const bool skipped = PQresultStatus(result) == PGRES_PIPELINE_ABORTED;
        if (!succeeded(result) && !skipped && !failure) failure = failure_of(connection_, result);
        if (succeeded(result) && own_sent && answer + 1 == answers && !failure) {
          PQclear(own);
          own = result;
        } else {
          PQclear(result);
        }
      }
    }
    PGresult* sync = connected() ? PQgetResult(connection_) : nullptr;
    // Anything else in its place: out of step with the server, as good as cut off.
    if (PQresultStatus(sync) != PGRES_PIPELINE_SYNC && !failure)
      failure = DatabaseError(DatabaseError::Kind::kConnectionLost, error_message(connection_));
    PQclear(sync);
  }
  if (PQexitPipelineMode(connection_) != 1 && !failure) failure = failure_of(connection_, nullptr);
  if (own_sent && own == nullptr && !failure) failure = failure_of(connection_, nullptr);
  // What was parsed on the way is known to the server only where all went well.
  if (failure) {
    for (const std::string& parsed : unconfirmed_)
      names_.erase(parsed);
    unconfirmed_.clear();
    PQclear(own);
    throw *failure;
  }
  unconfirmed_.clear();
  return own;
}

}  // namespace lc::push
