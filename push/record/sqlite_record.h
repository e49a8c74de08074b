#pragma once
// The record in an SQLite database: one file per destination (or several destinations in one
// file), WAL journal, schema versioned with user_version, one run at a time through a lock file
// beside it.

#include <memory>
#include <optional>
#include <string>

#include "push/record/record.h"

namespace lc::push {

inline constexpr const char* kRecordInMemory = ":memory:";

struct RecordOpening {
  std::string path;         // UTF-8; kRecordInMemory for a run that keeps nothing
  std::string destination;  // whose links this run handles; empty to ask the record only
  double wait_seconds = 0;  // how long to wait for another run to end
  bool dry_run = false;     // nothing the run takes in is kept
  bool finds_gone = false;  // what the run takes in is remembered, to find the links gone
  // The host whose waiting links alone are the run's, where several sites share the destination
  // (one account for all), each run pushing its own site's; empty: every host's.
  std::string only_site{};
  // What the content hashes the run takes in ignore (--ignore-content; empty: nothing); none for a
  // run that hashes no content. Under a rule other than the one the kept hashes were made under,
  // a differing hash is a new baseline, not a change.
  std::optional<std::string> content_rule{};
};

// Opens the record, creating it on first use (a text state file of earlier versions at `path`
// is taken in, the original kept beside it as PATH.imported). Throws RecordBusy when another run
// holds it, RecordError when it cannot be used.
std::unique_ptr<Record> open_sqlite_record(const RecordOpening& opening);

}  // namespace lc::push
