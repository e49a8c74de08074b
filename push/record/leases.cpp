#include "push/record/leases.h"

#include <random>

#include "platform/run_lock.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
void add_leases(Database& db) {
  db.define(
      "CREATE TABLE leases(destination INTEGER PRIMARY KEY, holder INTEGER NOT NULL, "
      "host TEXT NOT NULL, pid INTEGER NOT NULL, since INTEGER NOT NULL, "
      "expires INTEGER NOT NULL)");
}

std::optional<std::string> take_lease(Database& db, const Lease& lease, std::time_t now) {
  const std::string host = platform::machine_name();
  // Of two takers on a server at once, the second looks once the first has committed.
  db.serialize(lease.destination);
  Statement held =
      db.prepare("SELECT holder, host, pid, since, expires FROM leases WHERE destination = ?");
  if (held.bind(lease.destination).step()) {
    const bool ours = held.integer(0) == lease.holder;
    const bool expired = held.integer(4) <= now;
    const bool holder_gone = held.text(1) == host && !platform::process_runs(held.integer(2));
    if (!ours && !expired && !holder_gone) {
      std::string words =
          texts::filled(texts::kRecordHolder, {{"pid", std::to_string(held.integer(2))},
                                               {"host", std::string(held.text(1))},
                                               {"since", w3c_time(held.integer(3))}});
      held.run();
      return words;
    }
    held.run();
  }
  db.prepare(
        "INSERT INTO leases(destination, holder, host, pid, since, expires) "
        "VALUES(?, ?, ?, ?, ?, ?) ON CONFLICT(destination) DO UPDATE SET holder = excluded.holder, "
        "host = excluded.host, pid = excluded.pid, since = excluded.since, "
        "expires = excluded.expires")
      .bind(lease.destination, lease.holder, host, platform::process_id(), now, now + kLeaseSeconds)
      .run();
  return std::nullopt;
}

bool renew_lease(Database& db, const Lease& lease, std::time_t now) {
  return db.prepare("UPDATE leases SET expires = ? WHERE destination = ? AND holder = ?")
             .bind(now + kLeaseSeconds, lease.destination, lease.holder)
             .run() == 1;
}

void end_lease(Database& db, const Lease& lease) {
  db.prepare("DELETE FROM leases WHERE destination = ? AND holder = ?")
      .bind(lease.destination, lease.holder)
      .run();
}

std::int64_t new_lease_holder() {
  std::random_device entropy;
  std::uniform_int_distribution<std::int64_t> any(1, INT64_MAX);
  return any(entropy);
}

}  // namespace lc::push
