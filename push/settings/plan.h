#pragma once
// What a push run is to do, whether the command line or a config file says it: sites, each with
// its sources and the engines it goes to with their settings, and the run's own settings. One
// function makes it, each setting checked once, by the declaration the two share.

#include <optional>
#include <string>
#include <vector>

#include "push/engines/engine_registry.h"
#include "push/record/record.h"
#include "push/settings/serve_settings.h"
#include "push/sources/link_sources.h"

namespace lc::push {

// The percentage of a site's known links a run may find gone before it asks for confirmation.
inline constexpr double kDefaultDeletionLimit = 20;

struct SitePlan {
  std::string name;  // the config's; empty for the command line's one site
  std::string host;  // only this host's links; empty: every host (one-host engines: the first's)
  SourceSettings sources;
  bool deletions = false;  // links gone from every source are announced as removed
  // The config's service takes the site's links too: its sources are not all its pages, and the
  // site announces its removed pages to the service.
  bool served = false;
  double deletion_limit = kDefaultDeletionLimit;  // percent of the site's links a run may find gone
  std::vector<EngineSettings> engines;            // in the registry's order

  // Settings that only together say what is meant; kept here until the site is whole.
  bool by_content = false;  // sitemaps' pages are fetched and hashed
  ContentCheck fetching;
};

// What holds for every site and engine of a run: the command line's alone.
struct RunSettings {
  std::string state;        // the record; empty: one a destination in the state directory
  bool no_state = false;    // keep no record
  double wait_seconds = 0;  // for another run over the record to end
  // How long a sender's hold on a destination lasts unrenewed: another run takes it over after.
  std::time_t lease_seconds = kLeaseSeconds;
  // A config's first pass over its sites: a destination another sender holds is left for the
  // end, not waited for.
  bool held_later = false;
  double max_wait_seconds = 600;   // the run's total wait for engines that ask to wait
  int timeout_seconds = 0;         // a request may stay silent; 0: the client's own
  std::string metrics;             // the file the run's figures go to; empty: none
  bool again = false;              // send links even when the record has them as accepted
  bool confirm_deletions = false;  // even past the limit
  bool dry_run = false;
  bool inspect_only = false;  // nothing pushed: the links due for inspection only inspected
  bool quiet = false;
  bool json = false;
};

struct Plan {
  RunSettings run;
  std::vector<SitePlan> sites;
  bool from_config = false;            // several sites, named; their runs are summed up at the end
  std::optional<ServeSettings> serve;  // the config's [serve], with the command line's listen
};

// Whether any engine of any site of the plan inspects links.
bool inspects_anything(const Plan& plan);

struct Options;

// The plan of a push run: the config's sites and engines (kept to --site and --engine) with
// what the command line adds, or the command line's one site and engine; or every problem, each
// for standard error. Warnings (a secret's file that others can read) come either way.
struct PlanReading {
  std::optional<Plan> plan;
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
};
PlanReading plan_of(const Options& options);

// The option as messages name it: its long name.
std::string_view spelled_option(std::string_view option);

}  // namespace lc::push
