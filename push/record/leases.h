#pragma once
// One sender a destination: a run, or a service's flush, holds the destination's lease while it
// sends its links, so that what one sends the other never sends. The lease ends with its holder;
// one whose process is gone from this machine, or that went unrenewed past its expiry, is taken
// over. Taking links in needs no lease.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "push/record/database.h"

namespace lc::push {

// Renewed with each answer kept, so only a holder that stopped working lets it run out.
inline constexpr std::time_t kLeaseSeconds = 600;

// The leases table, as records of the seventh version have it.
void add_leases(Database& db);

// A lease as its holder knows it: a number no other holder has, and its destination.
struct Lease {
  std::int64_t destination = 0;
  std::int64_t holder = 0;
};

// Takes `lease` for this process, within the caller's transaction. None when taken; else the
// words on the one who holds it (process, machine, since when).
std::optional<std::string> take_lease(Database& db, const Lease& lease, std::time_t now);

// Puts off the lease's expiry, within the caller's transaction. False when it is no longer held:
// it expired and another took it over.
bool renew_lease(Database& db, const Lease& lease, std::time_t now);

// Gives the lease up.
void end_lease(Database& db, const Lease& lease);

// A holder's number, new for each holder.
std::int64_t new_lease_holder();

}  // namespace lc::push
