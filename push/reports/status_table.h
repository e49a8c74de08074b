#pragma once
// `status` on a terminal: one row a destination and site, aligned in columns that fit 100, its
// times in the machine's local time (the zone said once, above the table).

#include <cstdint>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "push/record/record.h"

namespace lc::push {

struct StatusRow {
  std::string engine;
  std::string site;
  std::int64_t known = 0, accepted = 0, waiting = 0, refused = 0;
  std::int64_t removals_waiting = 0;
  std::optional<long> quota_left;
  std::optional<std::time_t> resets;  // when the engine's next day gives the quota anew
  std::optional<std::time_t> last_run;
  std::optional<int> last_exit_code;
  std::optional<LinkCounts::Index> index;  // where its links are inspected
};

void print_status_table(std::ostream& out, const std::vector<StatusRow>& rows);

// How many columns `text` (UTF-8) takes on a terminal: two for East Asian wide characters.
std::size_t display_width(std::string_view text);

}  // namespace lc::push
