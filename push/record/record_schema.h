#pragma once
// The record's tables: made on first use, upgraded in place, the version kept with them; a
// database of another program, or of a newer version of this one, is refused.

#include <string>

#include "push/record/database.h"

namespace lc::push {

// What each destination's content hashes were made ignoring (a regular expression; empty:
// nothing); records of the seventh version and before gain it when a run first hashes content.
inline constexpr std::string_view kContentRulesTable =
    "CREATE TABLE IF NOT EXISTS content_rules(destination INTEGER PRIMARY KEY, "
    "rule TEXT NOT NULL)";

// A record asked read-only that is older than the program: it is opened for writing once, to
// upgrade it.
struct NeedsUpgrade {};

// Readies the record's tables in `db`, throwing RecordError on `name` where it cannot be used,
// and NeedsUpgrade where `read_only` finds it older than the program. The destination's sender
// (`sends`) reads a million links at once: an SQLite file is read through memory mapping then.
void ready_schema(Database& db, const std::string& name, bool read_only, bool sends);

}  // namespace lc::push
