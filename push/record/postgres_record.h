#pragma once
// The record on a PostgreSQL server, shared by the runs and services of several machines: each
// destination's sender holds a lease on it there, in place of a lock on a file.

#include <memory>

#include "push/record/record.h"

namespace lc::push {

// Opens the record at the postgresql:// URI `opening.path`, creating its tables on first use.
// Throws RecordBusy when another sender holds the destination, RecordError when the server
// cannot be reached or the database is not a record of ours; the password is never shown.
std::unique_ptr<Record> open_postgres_record(const RecordOpening& opening);

}  // namespace lc::push
