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

void PostgresExchange::hold(const std::string& sql, const std::vector<const char*>& values) {
  // Their answers wait in the server's buffers and their failures come late: a few at a time.
  constexpr int kMostHeld = 100;
  if (held_ == kMostHeld) run_held_and(nullptr, {});
  if (held_ == 0 && PQenterPipelineMode(connection_) != 1) throw failure_of(connection_, nullptr);
  try {
    send(sql, values);
  } catch (const DatabaseError&) {
    if (held_ == 0) PQexitPipelineMode(connection_);
    throw;
  }
  ++held_;
}

PGresult* PostgresExchange::run(const std::string& sql, const std::vector<const char*>& values) {
  if (held_ > 0) return run_held_and(&sql, values);
  // Untyped: the server takes each parameter as its place in the statement asks.
  return checked(connection_,
                 PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                              values.data(), nullptr, nullptr, 0));
}

void PostgresExchange::execute(const std::string& sql) {
  if (held_ > 0) run_held_and(nullptr, {});
  PQclear(checked(connection_, PQexec(connection_, sql.c_str())));
}

void PostgresExchange::send(const std::string& sql, const std::vector<const char*>& values) {
  if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                        values.data(), nullptr, nullptr, 0) != 1)
    throw failure_of(connection_, nullptr);
}

// The held statements and `sql` (where given) end in one sync point: the server runs them in
// order, skips all after the first that fails and answers them all at once. Gives the result of
// `sql`, else null.
PGresult* PostgresExchange::run_held_and(const std::string* sql,
                                         const std::vector<const char*>& values) {
  std::optional<DatabaseError> failure;
  try {
    if (sql != nullptr) send(*sql, values);
  } catch (const DatabaseError& error) {
    failure = error;
  }
  const bool own_sent = sql != nullptr && !failure;
  const int statements = std::exchange(held_, 0) + (own_sent ? 1 : 0);
  PGresult* own = nullptr;
  const auto connected = [&] { return PQstatus(connection_) != CONNECTION_BAD; };
  if (PQpipelineSync(connection_) == 1) {
    // Each statement's results end with a null.
    for (int statement = 0; statement < statements && connected(); ++statement) {
      while (PGresult* result = PQgetResult(connection_)) {
        const bool skipped = PQresultStatus(result) == PGRES_PIPELINE_ABORTED;
        if (!succeeded(result) && !skipped && !failure) failure = failure_of(connection_, result);
        if (succeeded(result) && own_sent && statement + 1 == statements && !failure) {
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
  if (failure) {
    PQclear(own);
    throw *failure;
  }
  return own;
}

}  // namespace lc::push
