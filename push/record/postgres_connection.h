#pragma once
// A connection to a PostgreSQL server through libpq, behind the same Database as an SQLite file.

#include <string>

#include "push/record/database.h"

namespace lc::push {

// Connects to the server a postgresql:// URI names; the password comes from the URI, the
// environment, ~/.pgpass or a passfile, as libpq finds it. Throws DatabaseError (connection
// lost) where the server cannot be reached.
Database open_postgres(const std::string& uri);

// The URI as messages show it: its password, wherever written, left out.
std::string without_password(const std::string& uri);

}  // namespace lc::push
