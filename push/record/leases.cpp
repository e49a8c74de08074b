#include "push/record/leases.h"

#include <random>

#include "platform/run_lock.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

// The words on the holder of the lease in the row `held` is on, its columns from the first.
std::string holder_words(const Statement& held, int first) {
  return texts::filled(texts::kRecordHolder, {{"host", std::string(held.text(first))},
                                              {"pid", std::to_string(held.integer(first + 1))},
                                              {"since", w3c_time(held.integer(first + 2))}});
}

}  // namespace

void add_leases(Database& db) {
  db.define(
      "CREATE TABLE leases(destination INTEGER PRIMARY KEY, holder INTEGER NOT NULL, "
      "host TEXT NOT NULL, pid INTEGER NOT NULL, since INTEGER NOT NULL, "
      "expires INTEGER NOT NULL)");
}

void add_lease_holders_identity(Database& db) {
  db.define("ALTER TABLE leases ADD COLUMN process TEXT");
}

std::optional<std::string> take_lease(Database& db, const Lease& lease) {
  const std::string clock(db.clock());
  // Of two takers on a server at once, the second looks once the first has committed.
  db.serialize(lease.destination);
  Statement held = db.prepare("SELECT holder, expires <= " + clock +
                              ", process, host, pid, since FROM leases WHERE destination = ?");
  if (held.bind(lease.destination).step()) {
    const bool ours = held.integer(0) == lease.holder;
    const bool expired = held.integer(1) != 0;
    // Only a holder of this machine and process space can be known to be gone; a lease of an
    // earlier version's holder ends with its expiry.
    const bool holder_gone = !held.is_null(2) && platform::process_gone(held.text(2));
    if (!ours && !expired && !holder_gone) {
      std::string words = holder_words(held, 3);
      held.run();
      return words;
    }
    held.run();
  }
  db.prepare(
        "INSERT INTO leases(destination, holder, host, pid, since, expires, process) "
        "VALUES(?1, ?2, ?3, ?4, " +
        clock + ", " + clock + " + ?5, ?6) ON CONFLICT(destination) DO UPDATE SET " +
        "holder = excluded.holder, host = excluded.host, pid = excluded.pid, "
        "since = excluded.since, expires = excluded.expires, process = excluded.process")
      .bind(lease.destination, lease.holder, platform::machine_name(), platform::process_id(),
            static_cast<std::int64_t>(lease.seconds), platform::process_identity())
      .run();
  return std::nullopt;
}

std::optional<std::string> renew_lease(Database& db, const Lease& lease) {
  if (db.prepare("UPDATE leases SET expires = " + std::string(db.clock()) +
                 " + ? WHERE destination = ? AND holder = ?")
          .bind(static_cast<std::int64_t>(lease.seconds), lease.destination, lease.holder)
          .run() == 1)
    return std::nullopt;
  Statement now_held = db.prepare("SELECT host, pid, since FROM leases WHERE destination = ?");
  std::string words(texts::kHolderEnded);
  if (now_held.bind(lease.destination).step()) words = holder_words(now_held, 0);
  now_held.run();
  return words;
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
