#include "push/commands/served_sites.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <nlohmann/json.hpp>

#include "platform/run_lock.h"
#include "push/commands/push_command.h"
#include "push/commands/record_queries.h"
#include "push/engines/client.h"
#include "push/record/record_factory.h"
#include "push/reports/run_outcome.h"
#include "push/reports/status_metrics.h"
#include "push/serve/flush_schedule.h"
#include "push/serve/intake_body.h"
#include "push/serve/intake_server.h"
#include "push/serve/serve_counters.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::string_view kLinksPath = "/v1/links";
constexpr std::string_view kStatusPath = "/v1/status";
constexpr const char* kPrometheusType = "text/plain; version=0.0.4; charset=utf-8";

// The method each path answers, and what a caller using another is told.
struct Route {
  std::string_view method;
  std::string_view method_words;
};
const std::map<std::string_view, Route, std::less<>> kRoutes = {
    {kLinksPath, {"POST", texts::kIntakeMethod}},
    {kStatusPath, {"GET", texts::kStatusMethod}},
    {"/metrics", {"GET", texts::kMetricsMethod}},
};

// How long a caller is asked to wait when the record cannot take links now.
constexpr int kRetryAfterSeconds = 5;

// A service's flush waits this long at most for an engine that asks to wait; past it, the links
// wait in the record for the next flush, and a stop is never held up longer.
constexpr double kMostFlushWaitSeconds = 60;

// The address of a site (scheme and host), as its settings name it: the folder's address, the
// first sitemap's, or an engine's name for the site; empty where none does.
std::string address_of_site(const SitePlan& site) {
  if (!site.sources.folder.base.empty()) return site_url_of(site.sources.folder.base);
  for (const std::string& sitemap : site.sources.sitemaps) {
    if (is_sendable_address(sitemap)) return site_url_of(sitemap);
  }
  for (const EngineSettings& engine : site.engines) {
    if (!engine.destination.site_url.empty()) return site_url_of(engine.destination.site_url);
  }
  return "";
}

// The site as the service takes and sends its links: their host known, each engine's destination
// named by the site's address. A flush only sends, and announces what the site announced removed:
// what is found gone, what is indexed and the sitemaps (and the engines told by sitemaps alone)
// are the nightly run's, which reads the site's sources.
SitePlan flushed_site(const SitePlan& site, const std::string& address) {
  SitePlan flushed = site;
  flushed.host = std::string(host_of(address));
  for (EngineSettings& engine : flushed.engines) {
    if (engine.destination.site_url.empty()) engine.destination.site_url = address;
    engine.inspection.enabled = false;
  }
  return flushed;
}

// Compares all of both, so that the time taken tells nothing of where a guess went wrong.
bool same_secret(std::string_view given, std::string_view kept) {
  if (given.size() != kept.size()) return false;
  unsigned char differs = 0;
  for (std::size_t i = 0; i < given.size(); ++i)
    differs |= static_cast<unsigned char>(given[i] ^ kept[i]);
  return differs == 0;
}

}  // namespace

ServedSites::ServedSites(const Plan& plan, FlushSchedule& schedule, ServeCounters& counters)
    : plan_(plan),
      schedule_(schedule),
      counters_(counters),
      commits_([this](const std::string& site, std::span<const SourceLink> links, bool removed) {
        keep(flushed_.at(site), links, removed);
      }) {
  for (const SitePlan& site : plan.sites) {
    const std::string address = address_of_site(site);
    hosts_[site.name] = std::string(host_of(address));
    if (!address.empty()) flushed_.emplace(site.name, flushed_site(site, address));
  }
}

// Why the service cannot take links for every site and engine: a site whose host no setting
// names, an engine whose secrets cannot be had (its record could not be named).
std::vector<std::string> ServedSites::unserved() const {
  std::vector<std::string> words;
  for (const SitePlan& site : plan_.sites) {
    if (!flushed_.contains(site.name))
      words.push_back(texts::filled(texts::kServeSiteWithoutHost, {{"site", site.name}}));
  }
  return words;
}

std::vector<std::string> ServedSites::problems() const {
  std::vector<std::string> problems;
  for (const auto& [name, site] : flushed_) {
    for (const EngineSettings& engine : site.engines) {
      if (!engine.unusable.empty()) problems.push_back(engine.unusable);
    }
  }
  if (flushed_.empty()) problems.emplace_back(texts::kServeNoSite);
  return problems;
}

IntakeReply ServedSites::answer(const IntakeRequest& request) {
  IntakeReply reply = answer_of(request);
  counters_.answered(reply.status);
  return reply;
}

// Sends what waits for each of the site's engines, within every quota the record knows, until
// `stop` is set. The flush's error: empty where nothing was left waiting.
FlushOutcome ServedSites::flush(const std::string& name, const std::atomic<bool>& stop) const {
  const SitePlan& site = flushed_.at(name);
  RunSettings run = plan_.run;
  run.max_wait_seconds = std::min(run.max_wait_seconds, kMostFlushWaitSeconds);
  FlushOutcome outcome;
  for (const EngineSettings& engine : site.engines) {
    if (engine.sitemaps_only) continue;
    const ReportLabels labels{site.name, std::string(engine.destination.engine->name)};
    const RunTotals totals = push_waiting(run, site, engine, labels, stop);
    outcome.more = outcome.more || totals.unread > 0;
    const bool left = totals.pending > totals.unread;
    if (outcome.error.empty() && (totals.exit_code != kAllAccepted || left)) {
      outcome.error = labels.engine + "：" + outcome_words(totals.exit_code);
      if (totals.pending > 0) {
        outcome.error +=
            texts::filled(texts::kFlushLeft, {{"count", std::to_string(totals.pending)}});
      }
    }
  }
  counters_.flushed(!outcome.error.empty());
  return outcome;
}

// Every site is flushed once at the start: links taken before a restart or an outage wait.
void ServedSites::flush_all_soon() {
  for (const auto& [name, site] : flushed_)
    schedule_.waiting(name);
}

// Each path answers one method, to callers that show the token.
IntakeReply ServedSites::answer_of(const IntakeRequest& request) {
  const auto route = kRoutes.find(request.path);
  if (route == kRoutes.end()) return refusal(404, texts::kIntakeNotFound);
  if (request.method != route->second.method) return refusal(405, route->second.method_words);
  constexpr std::string_view kBearer = "Bearer ";
  const std::string_view authorization = request.authorization;
  if (!authorization.starts_with(kBearer) ||
      !same_secret(authorization.substr(kBearer.size()), plan_.serve->token))
    return refusal(401, texts::kIntakeBadToken);
  if (request.path == kLinksPath) return take(request);
  return request.path == kStatusPath ? status() : metrics();
}

// The record's counts and the service's own, for Prometheus.
IntakeReply ServedSites::metrics() const {
  try {
    IntakeReply reply{200, status_metrics(status_rows(plan_.run.state)) + counters_.text()};
    reply.content_type = kPrometheusType;
    return reply;
  } catch (const Failure& failure) {
    IntakeReply reply = refusal(503, failure.what());
    reply.retry_after = kRetryAfterSeconds;
    return reply;
  }
}

// What the record holds, as `status --json` tells it, with each site's flushing.
IntakeReply ServedSites::status() const {
  try {
    nlohmann::ordered_json status = nlohmann::ordered_json::parse(status_json(plan_.run.state));
    for (nlohmann::ordered_json& destination : status) {
      const std::string host = destination.value("site", "");
      for (const auto& [name, site] : flushed_) {
        if (site.host != host) continue;
        const FlushState state = schedule_.state_of(name);
        destination["next_flush"] =
            state.next ? nlohmann::ordered_json(w3c_time(*state.next)) : nullptr;
        destination["last_error"] = state.last_error;
      }
    }
    return {200, status.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)};
  } catch (const Failure& failure) {
    IntakeReply reply = refusal(503, failure.what());
    reply.retry_after = kRetryAfterSeconds;
    return reply;
  }
}

IntakeReply ServedSites::take(const IntakeRequest& request) {
  const IntakeBody body = read_intake_body(request);
  if (!body.problem.empty()) return refusal(400, body.problem);
  const SitePlan* site = site_named(body.site);
  if (site == nullptr)
    return refusal(422, texts::filled(texts::kIntakeUnknownSite, {{"site", body.site}}));
  if (!flushed_.contains(site->name))
    return refusal(422, texts::filled(texts::kServeSiteWithoutHost, {{"site", site->name}}));
  if (!body.removed.empty() && !site->deletions)
    return refusal(422, texts::filled(texts::kIntakeNoDeletions, {{"site", site->name}}));
  const std::string& host = hosts_.at(site->name);
  nlohmann::json wrong = nlohmann::json::array();
  const auto of_site = [&](const std::vector<std::string>& given) {
    std::vector<SourceLink> links;
    for (const std::string& link : given) {
      if (const std::optional<std::string_view> why = unkeepable(link)) {
        wrong.push_back({{"link", link}, {"problem", *why}});
      } else if (!is_sendable_address(link)) {
        wrong.push_back({{"link", link}, {"problem", texts::kIntakeNotALink}});
      } else if (host_of(link) != host) {
        wrong.push_back({{"link", link},
                         {"problem", texts::filled(texts::kIntakeOtherHost, {{"host", host}})}});
      } else {
        links.push_back({link, now_less_debounce(), std::nullopt});
      }
    }
    return links;
  };
  const std::vector<SourceLink> links = of_site(body.links);
  const std::vector<SourceLink> removed = of_site(body.removed);
  if (!wrong.empty()) {
    IntakeReply reply = refusal(422, texts::kIntakeWrongLinks);
    nlohmann::json json = nlohmann::json::parse(reply.body);
    json["links"] = std::move(wrong);
    reply.body = json.dump();
    return reply;
  }
  try {
    if (!links.empty()) commits_.keep(site->name, links);
    if (!removed.empty()) commits_.keep(site->name, removed, true);
    schedule_.waiting(site->name);
  } catch (const Failure& failure) {
    IntakeReply reply = refusal(503, failure.what());
    reply.retry_after = kRetryAfterSeconds;
    return reply;
  }
  counters_.taken(links.size() + removed.size());
  nlohmann::json taken{{"taken", links.size()}};
  if (!removed.empty()) taken["removed"] = removed.size();
  return {202, taken.dump()};
}

const SitePlan* ServedSites::site_named(const std::string& name) const {
  for (const SitePlan& site : plan_.sites) {
    if (site.name == name) return &site;
  }
  return nullptr;
}

// A link published again within the debounce is one: it waits again only where it was
// accepted before then, as a page changed since.
std::time_t ServedSites::now_less_debounce() const {
  return std::time(nullptr) - static_cast<std::time_t>(plan_.serve->debounce);
}

// Takes the links into the record of each of the site's engines, one transaction each. The
// records stay open between groups; one that failed is opened afresh for the next.
void ServedSites::keep(const SitePlan& site, std::span<const SourceLink> links, bool removed) {
  for (const EngineSettings& engine : site.engines) {
    Destination destination = engine.destination;
    destination.host = site.host;
    Secrets secrets;
    secrets.add_address(destination.interface);
    secrets.add(destination.key);
    const std::string name = destination.engine->destination_name(destination, secrets);
    const std::string path = record_path(plan_.run, destination, name);
    std::unique_ptr<Record>& record = open_records_[path + '\n' + name];
    try {
      if (!record) {
        record = open_record({.path = path,
                              .destination = name,
                              .sends = false,
                              .site = site.host,
                              .site_name = site.name});
      }
      if (removed) {
        std::vector<std::string_view> urls;
        for (const SourceLink& link : links)
          urls.push_back(link.url);
        record->take_removals(urls);
      } else {
        record->take_in(links, false);
        record->commit_intake();
      }
      // A record with several names is written by one process at a time: let it go between
      // groups, or no run could ever send.
      if (platform::names_of_file(path) > 1) record.reset();
    } catch (...) {
      record.reset();
      throw;
    }
  }
}

}  // namespace lc::push
