#include "push/commands/config_run.h"

#include <algorithm>
#include <deque>
#include <iostream>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "push/commands/push_command.h"
#include "push/engines/engine_registry.h"
#include "push/record/leases.h"
#include "push/sources/link_sources.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// The host of a site's links: its first link's. Links of other hosts are left out, said once for
// the site rather than once a link and engine.
std::string site_host(const std::string& site, const std::deque<LinkList>& lists) {
  std::string host;
  std::size_t others = 0;
  std::string_view example;
  for (const LinkList& links : lists) {
    for (const std::string_view link : links.links()) {
      if (host.empty()) {
        host = host_of(link);
      } else if (host_of(link) != host && others++ == 0) {
        example = link;
      }
    }
  }
  if (others > 0) {
    std::cerr << texts::filled(texts::kOtherHostsSkipped, {{"site", site},
                                                           {"host", host},
                                                           {"count", std::to_string(others)},
                                                           {"link", std::string(example)}})
              << "\n";
  }
  return host;
}

// One line a site and engine after the run, or with --json one object for the whole run.
void summarize(const RunSettings& settings,
               const std::vector<std::pair<ReportLabels, RunTotals>>& runs, int exit_code) {
  if (settings.json) {
    nlohmann::json json = {{"runs", nlohmann::json::array()}, {"exit_code", exit_code}};
    for (const auto& [labels, totals] : runs) {
      nlohmann::json run = {{"site", labels.site},          {"engine", labels.engine},
                            {"sent", totals.sent},          {"accepted", totals.accepted},
                            {"refused", totals.refused},    {"pending", totals.pending},
                            {"exit_code", totals.exit_code}};
      if (totals.quota_left) run["quota_left"] = *totals.quota_left;
      json["runs"].push_back(run);
    }
    std::cout << json.dump() << "\n";
    return;
  }
  std::cout << texts::kConfigSummary << "\n";
  for (const auto& [labels, totals] : runs) {
    std::cout << texts::filled(
                     texts::kConfigSummaryLine,
                     {{"site", labels.site},
                      {"engine", labels.engine},
                      {"sent", std::to_string(totals.sent)},
                      {"accepted", std::to_string(totals.accepted)},
                      {"refused", std::to_string(totals.refused)},
                      {"pending", std::to_string(totals.pending)},
                      {"quota", totals.quota_left ? std::to_string(*totals.quota_left) : "-"},
                      {"exit", std::to_string(totals.exit_code)}})
              << "\n";
  }
}

// What the runs of a config came to, site by site and engine by engine.
class ConfigRuns {
 public:
  void add(const ReportLabels& labels, const RunTotals& totals, double seconds) {
    runs_.emplace_back(labels, totals);
    figures_.push_back({labels, totals, seconds});
    worst_ = std::max(worst_, totals.exit_code);
  }

  // A site's engine that could not be pushed to at all.
  void failed(const ReportLabels& labels, int exit_code) {
    RunTotals totals;
    totals.exit_code = exit_code;
    add(labels, totals, 0);
  }

  int finish(const RunSettings& run) const {
    if (run.inspect_only) return worst_;  // each engine said what its inspections found
    // Quiet, a normal night says nothing; one that needs a person says what.
    if (!run.quiet || run.json || worst_ != kAllAccepted) summarize(run, runs_, worst_);
    return kept_metrics(run, figures_, worst_);
  }

 private:
  int worst_ = kAllAccepted;
  std::vector<std::pair<ReportLabels, RunTotals>> runs_;
  std::vector<RunFigures> figures_;
};

ReportLabels labels_of(const SitePlan& site, const EngineSettings& engine) {
  return {site.name, std::string(engine.destination.engine->name)};
}

// A site's links as a config's run read them, and the engines still to push them to.
struct SiteLinks {
  const SitePlan* site;
  std::deque<LinkList> lists;
  SitemapDigests sitemaps;
  std::vector<const EngineSettings*> engines;
};

// Pushes the site's links to each of its engines that can be pushed to; gives back those another
// sender held, where the run leaves them for later.
std::vector<const EngineSettings*> push_site(const RunSettings& run, const SiteLinks& links,
                                             ConfigRuns& runs) {
  const SitePlan& site = *links.site;
  SitePlan one_host = site;
  one_host.host = site_host(site.name, links.lists);
  std::vector<const EngineSettings*> held;
  for (const EngineSettings* engine : links.engines) {
    if (run.inspect_only && !engine->inspection.enabled) continue;
    const ReportLabels labels = labels_of(site, *engine);
    if (!engine->unusable.empty()) {
      std::cerr << engine->unusable << "\n";
      runs.failed(labels, kUsageOrInput);
      continue;
    }
    if (!run.json && !run.quiet)
      std::cout << texts::filled(texts::kSiteHeading,
                                 {{"site", labels.site}, {"engine", labels.engine}})
                << std::endl;
    const auto start = std::chrono::steady_clock::now();
    const RunTotals totals = push_links(
        run, one_host, *engine,
        [&](const std::function<void(const LinkList&)>& each) {
          for (const LinkList& list : links.lists)
            each(list);
        },
        links.sitemaps, labels);
    if (totals.held_elsewhere) {
      if (!run.json && !run.quiet) std::cout << texts::kHeldElsewhere << std::endl;
      held.push_back(engine);
      continue;
    }
    runs.add(labels, totals, seconds_since(start));
  }
  return held;
}

}  // namespace

// Several runs over one record (on a server, from several machines) share the night's sites:
// each leaves a destination another holds for its end, then comes back to what that one left.
int push_config(const Plan& plan) {
  ConfigRuns runs;
  const std::unique_ptr<PageValidatorStore> validators = page_validators(plan.run);
  RunSettings first = plan.run;
  first.held_later = true;
  std::deque<SiteLinks> later;  // not moved once in: a site's links are not copied
  for (const SitePlan& site : plan.sites) {
    SiteLinks links{.site = &site, .lists = {}, .sitemaps = {}, .engines = {}};
    for (const EngineSettings& engine : site.engines)
      links.engines.push_back(&engine);
    // A site none of whose engines can be pushed to reads nothing.
    const bool any =
        std::any_of(site.engines.begin(), site.engines.end(),
                    [](const EngineSettings& engine) { return engine.unusable.empty(); });
    try {
      if (any) {
        gather_links(
            site.sources, validators.get(),
            [&](LinkList& list) { links.lists.push_back(std::move(list)); }, informing(plan.run),
            &links.sitemaps);
      }
    } catch (const Failure& failure) {
      std::cerr << failure.what() << "\n";
      for (const EngineSettings& engine : site.engines)
        runs.failed(labels_of(site, engine), failure.exit_code());
      continue;
    }
    links.engines = push_site(first, links, runs);
    if (!links.engines.empty()) later.push_back(std::move(links));
  }
  // Back to them: first to those whose senders have ended, leaving any still held (by another
  // run coming back to it too, mostly) rather than waiting behind it; then to the rest, waiting
  // for their senders as long as a sender's lease lasts unrenewed.
  std::vector<const SiteLinks*> still_held;
  for (SiteLinks& links : later) {
    links.engines = push_site(first, links, runs);
    if (!links.engines.empty()) still_held.push_back(&links);
  }
  RunSettings last = plan.run;
  last.wait_seconds = std::max(last.wait_seconds, static_cast<double>(plan.run.lease_seconds));
  for (const SiteLinks* links : still_held)
    push_site(last, *links, runs);
  return runs.finish(plan.run);
}

}  // namespace lc::push
