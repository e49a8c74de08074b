#pragma once
// One sender a destination: a run, or a service's flush, holds the destination's lease while it
// sends its links, so that what one sends the other never sends. The lease ends with its holder;
// one whose process is known to be gone, or that went unrenewed past its expiry, is taken over.
// Expiry is judged on the database's clock alone, never on a user's. Taking links in needs no
// lease.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "push/record/database.h"
#include "push/record/record.h"

namespace lc::push {

// The leases table, as records of the seventh version have it.
void add_leases(Database& db);
// Who holds a lease, as no other process is (platform::process_identity), since the tenth.
void add_lease_holders_identity(Database& db);

// A lease as its holder knows it: a number no other holder has, its destination and how long
// it lasts unless put off.
struct Lease {
  std::int64_t destination = 0;
  std::int64_t holder = 0;
  std::time_t seconds = kLeaseSeconds;
};

// Takes `lease` for this process, within the caller's transaction. None when taken; else the
// words on the one who holds it (process, machine, since when).
std::optional<std::string> take_lease(Database& db, const Lease& lease);

// Puts off the lease's expiry, within the caller's transaction. None when done; else it expired
// and another took it over: the words on who holds it now.
std::optional<std::string> renew_lease(Database& db, const Lease& lease);

// Gives the lease up.
void end_lease(Database& db, const Lease& lease);

// A holder's number, new for each holder.
std::int64_t new_lease_holder();

}  // namespace lc::push
