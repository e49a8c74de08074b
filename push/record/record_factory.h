#pragma once
// The record at a location, by its kind: a file is an SQLite record; another kind of location
// (a database server's address, scheme://...) names its backend by its scheme.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "push/record/record.h"

namespace lc::push {

// Whether `location` names a record on a server (scheme://...), not a file.
bool on_a_server(std::string_view location);

// What is wrong with `location` as a record's, without quoting it (it may hold a password): a
// server's connection words (host=… password=…) would be taken for a file's name.
std::optional<std::string> location_problem(std::string_view location);

// Opens the record `opening` names, its lock taken for a run; throws RecordBusy when another run
// holds it, RecordError when it cannot be used or no backend knows its kind of location.
std::unique_ptr<Record> open_record(const RecordOpening& opening);

}  // namespace lc::push
