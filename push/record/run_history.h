#pragma once
// The runs a record keeps, each with what it came to and the temporary failures it met: the
// tables, their upgrade from records that had neither, and the reading of them.

#include <ctime>
#include <functional>
#include <string_view>

#include "push/record/database.h"
#include "push/record/record.h"

namespace lc::push {

// The runs table as records of the fourth version create it, and the setbacks beside it.
inline constexpr std::string_view kRunsTables = R"sql(
CREATE TABLE runs(id INTEGER PRIMARY KEY, destination INTEGER NOT NULL, started INTEGER NOT NULL,
                  ended INTEGER, exit_code INTEGER, site TEXT, site_name TEXT, sent INTEGER, accepted INTEGER,
                  refused INTEGER, waiting INTEGER, host TEXT);
CREATE TABLE setbacks(run INTEGER NOT NULL, time INTEGER NOT NULL, words TEXT NOT NULL);
CREATE INDEX setbacks_of_runs ON setbacks(run);
)sql";

// Gives the runs of a third-version record their figures and setbacks; the runs kept before
// have none (their figures read as unknown).
void add_run_figures(Database& db);

// Every run started from `since` on, of `site` (empty: every site), in the order started.
void for_each_run(Database& db, std::time_t since, std::string_view site,
                  const std::function<void(const RunEntry&)>& each);

}  // namespace lc::push
