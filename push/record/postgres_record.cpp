#include "push/record/postgres_record.h"

#include "push/record/postgres_connection.h"
#include "push/record/sql_record.h"

namespace lc::push {

std::unique_ptr<Record> open_postgres_record(const RecordOpening& opening) {
  const std::string shown = without_password(opening.path);
  try {
    return open_sql_record(open_postgres(opening.path), opening,
                           {.name = shown,
                            .read_only = opening.destination.empty(),
                            .reconnect = [uri = opening.path] { return open_postgres(uri); }});
  } catch (const DatabaseError& error) {
    throw record_error(shown, error);
  }
}

}  // namespace lc::push
