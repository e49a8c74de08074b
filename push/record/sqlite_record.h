#pragma once
// The record in an SQLite database: one file per destination (or several destinations in one
// file), WAL journal, schema versioned with user_version, one run at a time through a lock on the
// file itself.

#include <memory>
#include <string>

#include "push/record/record.h"

namespace lc::push {

// Opens the record, creating it on first use (a text state file of earlier versions at `path`
// is taken in, the original kept beside it as PATH.imported). Throws RecordBusy when another run
// holds it, RecordError when it cannot be used.
std::unique_ptr<Record> open_sqlite_record(const RecordOpening& opening);

}  // namespace lc::push
