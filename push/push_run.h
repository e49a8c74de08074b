#pragma once
// One run of the push program: the links in batches within the interface's quota, a report
// for each request, the links not accepted kept for the next run.

#include <atomic>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "push/engines/engine.h"
#include "push/engines/secrets.h"
#include "push/reports/run_report.h"

namespace lc::push {

class Record;

struct RunOptions {
  Destination destination;
  std::size_t batch = 2000;                   // links in one request at the most
  std::optional<std::string> pending;         // where links not accepted are kept
  Record* record = nullptr;                   // where each answer is kept
  std::optional<std::size_t> already_pushed;  // links a kept record let the run skip
  Secrets secrets;                            // hidden from everything the run prints
  double max_wait_seconds = 0;  // in all, for engines that ask to wait and for retries
  bool removals = false;        // the links are pages gone, to be announced as removed
  // Once set, no request goes out after the one in flight: the rest wait in the record.
  const std::atomic<bool>* stop = nullptr;
};

// What the destination's quota leaves on the engine's `day` as far as is known before asking it:
// what its last answer that day said, else its daily quota less what was sent that day; unknown
// for an engine whose answers tell and that has not answered that day.
std::optional<long> quota_known_today(const Destination& destination, Record* record,
                                      std::time_t day);

// Pushes `links` and writes the pending file; reports and notes go to `report`. Returns the
// run's totals, with its exit code.
RunTotals run_push(const RunOptions& options, const std::vector<std::string_view>& links,
                   RunReport& report);

}  // namespace lc::push
