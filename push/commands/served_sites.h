#pragma once
// The sites a service serves, as one reading of the config gives them: their links taken in over
// HTTP and kept in each engine's record, what waits sent when a site's flush falls due, and what
// the record holds told back (status, metrics).

#include <atomic>
#include <ctime>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "push/record/record.h"
#include "push/serve/flush_schedule.h"
#include "push/serve/group_commit.h"
#include "push/serve/intake_server.h"
#include "push/serve/serve_counters.h"
#include "push/settings/plan.h"

namespace lc::push {

class ServedSites {
 public:
  ServedSites(const Plan& plan, FlushSchedule& schedule, ServeCounters& counters);
  // The sites whose links the service cannot take, their hosts unknown, in words.
  std::vector<std::string> unserved() const;
  // Why the service cannot start: an engine of a served site whose secrets cannot be had (its
  // record could not be named), or no site to serve.
  std::vector<std::string> problems() const;
  // The answer to one request, counted.
  IntakeReply answer(const IntakeRequest& request);
  // Sends what waits for each of the site's engines, within every quota the record knows, until
  // `stop` is set.
  FlushOutcome flush(const std::string& name, const std::atomic<bool>& stop) const;
  // Every site is flushed once at the start: links taken before a restart or an outage wait.
  void flush_all_soon();

 private:
  // Each path answers one method, to callers that show the token.
  IntakeReply answer_of(const IntakeRequest& request);
  // The record's counts and the service's own, for Prometheus.
  IntakeReply metrics() const;
  // What the record holds, as `status --json` tells it, with each site's flushing.
  IntakeReply status() const;
  IntakeReply take(const IntakeRequest& request);
  const SitePlan* site_named(const std::string& name) const;
  // A link published again within the debounce is one: it waits again only where it was
  // accepted before then, as a page changed since.
  std::time_t now_less_debounce() const;
  // Takes the links into the record of each of the site's engines, one transaction each; on the
  // group commit's thread alone.
  void keep(const SitePlan& site, std::span<const SourceLink> links, bool removed);

  const Plan& plan_;
  FlushSchedule& schedule_;
  std::map<std::string, std::string> hosts_;  // by the site's name
  std::map<std::string, SitePlan> flushed_;   // by the site's name, where its host is known
  ServeCounters& counters_;
  // The records links are taken into, by path and destination; the group commit's alone.
  std::map<std::string, std::unique_ptr<Record>> open_records_;
  GroupCommit commits_;  // last: it keeps what is handed in before the rest goes
};

}  // namespace lc::push
