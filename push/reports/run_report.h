#pragma once
// What a run tells its user: on a terminal the window's report lines for each request and a
// one-line progress bar; with --json one object per request and one for the whole run. Notes
// (what needs a person: refusals, failures) go to standard error, the progress bar cleared
// first; what only informs (a quota spent, links waiting, a wait before a retry) goes with the
// report, so that --quiet leaves a normal night silent.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::push {

struct RequestReport {
  std::size_t links = 0;
  std::string status;  // the status line's text, UTF-8
  long accepted = 0;
  std::optional<long> remaining;
  std::vector<std::string> refused;
};

struct RunTotals {
  std::size_t links = 0;  // in the run
  std::size_t sent = 0;
  long accepted = 0;
  std::size_t refused = 0;
  std::size_t pending = 0;
  std::size_t unread = 0;  // of the pending: a service's flush left them for the next
  std::optional<std::size_t> already_pushed;  // with a state file
  std::optional<long> quota_left;             // as the engine last told it
  // Where the engine's links are inspected: how many of the site's its index holds, as far as
  // the record knows after the run, and the inspections its day still allows (none: no limit).
  std::optional<std::int64_t> indexed;
  std::optional<std::int64_t> inspections_left;
  int exit_code = 0;
  bool held_elsewhere = false;  // another sender held the destination: nothing done, left for later
};

// What a run of a config file adds to each JSON object, so that its sites and engines tell
// apart; empty for a single run.
struct ReportLabels {
  std::string site;
  std::string engine;
};

class RunReport {
 public:
  virtual ~RunReport() = default;
  virtual void plan(std::size_t links, std::size_t requests, std::size_t batch,
                    const std::string& interface) = 0;
  virtual void request(const RequestReport& report, const RunTotals& so_far) = 0;
  virtual void note(std::string_view line) = 0;
  virtual void inform(std::string_view line) = 0;
  virtual void summary(const RunTotals& totals) = 0;
};

// `progress`: whether the progress bar shows on `err`.
std::unique_ptr<RunReport> text_report(std::ostream& out, std::ostream& err, bool progress);
std::unique_ptr<RunReport> json_report(std::ostream& out, std::ostream& err,
                                       const ReportLabels& labels = {});

}  // namespace lc::push
