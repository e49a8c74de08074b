#pragma once
// Moves a record whole from one location to another (an SQLite file to a PostgreSQL server, or
// back), into a record that holds nothing yet, and checks what arrived.

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace lc::push {

// Links per destination and state, as both records count them once moved.
using LinkTally = std::map<std::pair<std::string, std::int64_t>, std::int64_t>;

struct Migration {
  std::string to;  // the record moved into, its password left out
  std::int64_t destinations = 0, links = 0, runs = 0;
  LinkTally tally;
};

// Copies every table but the senders' leases, in one transaction on `to`; throws RecordError
// where either cannot be used, where `to` holds links already, or where the counts per
// destination and state differ after the copy (nothing is kept then).
Migration migrate_record(const std::string& from, const std::string& to);

}  // namespace lc::push
