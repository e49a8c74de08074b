#include "push/record/postgres_record.h"

#include "push/record/postgres_connection.h"
#include "push/record/record_schema.h"
#include "push/record/sql_record.h"

namespace lc::push {

std::unique_ptr<Record> open_postgres_record(const RecordOpening& opening) {
  const std::string shown = without_password(opening.path);
  const auto opened = [&](bool read_only) {
    return open_sql_record(open_postgres(opening.path), opening,
                           {.name = shown,
                            .read_only = read_only,
                            .reconnect = [uri = opening.path] { return open_postgres(uri); }});
  };
  try {
    // Asking the record writes nothing, unless it is of an older format: upgraded first.
    try {
      return opened(opening.destination.empty());
    } catch (const NeedsUpgrade&) {
      return opened(false);
    }
  } catch (const DatabaseError& error) {
    throw record_error(shown, error);
  }
}

}  // namespace lc::push
