#pragma once
// Asking the record: `status` (per site and destination), `history` (one line per link event)
// and `report` (a page to look at).

#include <string>
#include <vector>

#include "push/reports/status_table.h"
#include "push/settings/options.h"

namespace lc::push {

// What `status --json` prints of the record at `state` (empty: every record where records
// stand); throws the Failure of a record that cannot be read.
std::string status_json(const std::string& state);

// The rows of `status` of the record at `state`, as `status_json` reads it.
std::vector<StatusRow> status_rows(const std::string& state);

// Each returns the exit code.
int show_status(const Options& options);
int show_history(const Options& options);
int write_report(const Options& options);

}  // namespace lc::push
