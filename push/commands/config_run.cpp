#include "push/commands/config_run.h"

#include <algorithm>
#include <deque>
#include <iostream>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "push/commands/push_command.h"
#include "push/engines/engine_registry.h"
#include "push/settings/config_file.h"
#include "push/sources/link_sources.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// The options of one site's runs: the command line's own (dry run, JSON, waiting, ...) with the
// site's sources, its settings and the config's record; the command line's settings first.
Options site_options(const Options& options, const Config& config, const SiteConfig& site) {
  Options run = options;
  run.config.clear();
  run.site.clear();
  run.state = options.state.empty() ? config.state : options.state;
  run.sources = site.sources;
  run.deletions = options.deletions || site.deletions;
  if (!run.deletion_limit) run.deletion_limit = site.deletion_limit;
  return run;
}

// The options of one engine's run of a site: the site's with its host, and the destination and
// batch the config gives.
Options engine_options(const Options& site, const EngineSettings& engine, const std::string& host) {
  Options run = site;
  run.site = host;
  run.destination.interface = engine.address;
  run.destination.engine = engine_named(engine.engine)->kind;
  run.destination.key = engine.key;
  run.destination.key_location = engine.key_location;
  run.destination.site_url = engine.site_url;
  run.destination.account = engine.account;
  run.destination.token_uri = engine.token_uri;
  run.destination.key_id = engine.key_id;
  run.destination.daily_quota = engine.daily_quota;
  run.batch = engine.batch;
  return run;
}

// The sites and engines the command line keeps to; empty, said on standard error, when it names
// one the config lacks.
std::optional<std::vector<SiteConfig>> chosen_sites(const Options& options, Config& config) {
  const auto named = [&](const SiteConfig& site) {
    return options.site.empty() || site.name == options.site;
  };
  if (std::none_of(config.sites.begin(), config.sites.end(), named)) {
    std::cerr << texts::about("--site", texts::kUnknownSite) << "\n";
    return std::nullopt;
  }
  std::vector<SiteConfig> sites;
  for (SiteConfig& site : config.sites) {
    std::erase_if(site.engines, [&](const EngineSettings& engine) {
      return !options.engine.empty() && engine.engine != options.engine;
    });
    if (named(site) && !site.engines.empty()) sites.push_back(std::move(site));
  }
  if (sites.empty()) {
    std::cerr << texts::about("--engine", texts::kUnknownEngine) << "\n";
    return std::nullopt;
  }
  return sites;
}

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
void summarize(const Options& options, const std::vector<std::pair<ReportLabels, RunTotals>>& runs,
               int exit_code) {
  if (options.json) {
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

}  // namespace

int push_config(const Options& options) {
  ConfigReading reading = read_config(options.config);
  for (const std::string& warning : reading.warnings)
    std::cerr << warning << "\n";
  for (const std::string& error : reading.errors)
    std::cerr << error << "\n";
  if (!reading.config) return kUsageOrInput;
  const std::optional<std::vector<SiteConfig>> sites = chosen_sites(options, *reading.config);
  if (!sites) return kUsageOrInput;
  int worst = kAllAccepted;
  std::vector<std::pair<ReportLabels, RunTotals>> runs;
  std::vector<RunFigures> figures;
  for (const SiteConfig& site : *sites) {
    const Options sources = site_options(options, *reading.config, site);
    std::deque<LinkList> lists;
    if (const std::optional<SourceFailure> failure = gather_links(
            sources.sources, page_validators(sources).get(),
            [&](LinkList& links) { lists.push_back(std::move(links)); }, to_standard_error)) {
      std::cerr << failure->message << "\n";
      worst = std::max(worst, failure->exit_code);
      for (const EngineSettings& engine : site.engines) {
        RunTotals totals;
        totals.exit_code = failure->exit_code;
        runs.emplace_back(ReportLabels{site.name, engine.engine}, totals);
        figures.push_back({ReportLabels{site.name, engine.engine}, totals, 0});
      }
      continue;
    }
    const std::string host = site_host(site.name, lists);
    for (const EngineSettings& engine : site.engines) {
      if (!options.json)
        std::cout << texts::filled(texts::kSiteHeading,
                                   {{"site", site.name}, {"engine", engine.engine}})
                  << std::endl;
      const ReportLabels labels{site.name, engine.engine};
      const auto start = std::chrono::steady_clock::now();
      const RunTotals totals = push_links(
          engine_options(sources, engine, host),
          [&](const std::function<void(const LinkList&)>& each) {
            for (const LinkList& links : lists)
              each(links);
            return std::optional<SourceFailure>();
          },
          labels);
      runs.emplace_back(labels, totals);
      figures.push_back({labels, totals, seconds_since(start)});
      worst = std::max(worst, totals.exit_code);
    }
  }
  summarize(options, runs, worst);
  return kept_metrics(options, figures, worst);
}

}  // namespace lc::push
