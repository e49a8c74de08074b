#include "push/commands/serve_command.h"

#include <iostream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>

#include "platform/stop_request.h"
#include "push/commands/push_command.h"
#include "push/commands/record_queries.h"
#include "push/engines/client.h"
#include "push/record/record_factory.h"
#include "push/serve/intake_body.h"
#include "push/serve/intake_server.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// How long a caller is asked to wait when the record cannot take links now.
constexpr int kRetryAfterSeconds = 5;

// The host of a site's links, as its settings name it: the folder's address, the first
// sitemap's, or an engine's name for the site.
std::string host_of_site(const SitePlan& site) {
  if (!site.sources.folder.base.empty()) return std::string(host_of(site.sources.folder.base));
  for (const std::string& sitemap : site.sources.sitemaps) {
    if (is_sendable_address(sitemap)) return std::string(host_of(sitemap));
  }
  for (const EngineSettings& engine : site.engines) {
    if (!engine.destination.site_url.empty())
      return std::string(host_of(engine.destination.site_url));
  }
  return "";
}

// Compares all of both, so that the time taken tells nothing of where a guess went wrong.
bool same_secret(std::string_view given, std::string_view kept) {
  if (given.size() != kept.size()) return false;
  unsigned char differs = 0;
  for (std::size_t i = 0; i < given.size(); ++i)
    differs |= static_cast<unsigned char>(given[i] ^ kept[i]);
  return differs == 0;
}

class Intake {
 public:
  explicit Intake(const Plan& plan) : plan_(plan) {
    for (const SitePlan& site : plan.sites)
      hosts_[site.name] = host_of_site(site);
  }

  // Why the service cannot take links for every site and engine: a site whose host no setting
  // names, an engine whose secrets cannot be had (its record could not be named).
  std::vector<std::string> problems() const {
    std::vector<std::string> problems;
    for (const SitePlan& site : plan_.sites) {
      if (hosts_.at(site.name).empty())
        problems.push_back(texts::filled(texts::kServeSiteWithoutHost, {{"site", site.name}}));
      for (const EngineSettings& engine : site.engines) {
        if (!engine.unusable.empty()) problems.push_back(engine.unusable);
      }
    }
    return problems;
  }

  IntakeReply answer(const IntakeRequest& request) {
    const bool links = request.path == "/v1/links";
    if (!links && request.path != "/v1/status") return refusal(404, texts::kIntakeNotFound);
    if (request.method != (links ? "POST" : "GET"))
      return refusal(405, links ? texts::kIntakeMethod : texts::kStatusMethod);
    constexpr std::string_view kBearer = "Bearer ";
    const std::string_view authorization = request.authorization;
    if (!authorization.starts_with(kBearer) ||
        !same_secret(authorization.substr(kBearer.size()), plan_.serve->token))
      return refusal(401, texts::kIntakeBadToken);
    return links ? take(request) : status();
  }

 private:
  // What the record holds, as `status --json` tells it.
  IntakeReply status() const {
    try {
      return {200, status_json(plan_.run.state)};
    } catch (const Failure& failure) {
      IntakeReply reply = refusal(503, failure.what());
      reply.retry_after = kRetryAfterSeconds;
      return reply;
    }
  }

  IntakeReply take(const IntakeRequest& request) {
    const IntakeBody body = read_intake_body(request);
    if (!body.problem.empty()) return refusal(400, body.problem);
    const SitePlan* site = site_named(body.site);
    if (site == nullptr)
      return refusal(422, texts::filled(texts::kIntakeUnknownSite, {{"site", body.site}}));
    const std::string& host = hosts_.at(site->name);
    nlohmann::json wrong = nlohmann::json::array();
    std::vector<SourceLink> links;
    for (const std::string& link : body.links) {
      if (!is_sendable_address(link)) {
        wrong.push_back({{"link", link}, {"problem", texts::kIntakeNotALink}});
      } else if (host_of(link) != host) {
        wrong.push_back({{"link", link},
                         {"problem", texts::filled(texts::kIntakeOtherHost, {{"host", host}})}});
      } else {
        links.push_back({link, now_less_debounce(), std::nullopt});
      }
    }
    if (!wrong.empty()) {
      IntakeReply reply = refusal(422, texts::kIntakeWrongLinks);
      nlohmann::json json = nlohmann::json::parse(reply.body);
      json["links"] = std::move(wrong);
      reply.body = json.dump();
      return reply;
    }
    try {
      keep(*site, host, links);
    } catch (const Failure& failure) {
      IntakeReply reply = refusal(503, failure.what());
      reply.retry_after = kRetryAfterSeconds;
      return reply;
    }
    return {202, nlohmann::json{{"taken", links.size()}}.dump()};
  }

  const SitePlan* site_named(const std::string& name) const {
    for (const SitePlan& site : plan_.sites) {
      if (site.name == name) return &site;
    }
    return nullptr;
  }

  // A link published again within the debounce is one: it waits again only where it was
  // accepted before then, as a page changed since.
  std::time_t now_less_debounce() const {
    return std::time(nullptr) - static_cast<std::time_t>(plan_.serve->debounce);
  }

  // Takes the links into the record of each of the site's engines, one transaction each.
  void keep(const SitePlan& site, const std::string& host, std::span<const SourceLink> links) {
    const std::lock_guard<std::mutex> one_at_a_time(mutex_);
    for (const EngineSettings& engine : site.engines) {
      Destination destination = engine.destination;
      destination.host = host;
      if (destination.site_url.empty()) destination.site_url = site_url_of(links.front().url);
      Secrets secrets;
      secrets.add_address(destination.interface);
      secrets.add(destination.key);
      const std::string name = destination.engine->destination_name(destination, secrets);
      const std::unique_ptr<Record> record =
          open_record({.path = record_path(plan_.run, destination, name),
                       .destination = name,
                       .sends = false,
                       .site = host,
                       .site_name = site.name});
      record->take_in(links, false);
      record->commit_intake();
    }
  }

  const Plan& plan_;
  std::map<std::string, std::string> hosts_;
  std::mutex mutex_;
};

}  // namespace

int serve_links(const Options& options) {
  const PlanReading reading = plan_of(options);
  for (const std::string& warning : reading.warnings)
    std::cerr << warning << "\n";
  for (const std::string& problem : reading.problems)
    std::cerr << problem << "\n";
  if (!reading.plan) return kUsageOrInput;
  const Plan& plan = *reading.plan;
  if (!plan.serve) {
    std::cerr << texts::about(options.config, texts::kServeNeedsTable) << "\n";
    return kUsageOrInput;
  }
  Intake intake(plan);
  if (const std::vector<std::string> problems = intake.problems(); !problems.empty()) {
    for (const std::string& problem : problems)
      std::cerr << problem << "\n";
    return kUsageOrInput;
  }
  try {
    platform::StopRequest stop;
    const ListenAddress address = *listen_address(plan.serve->listen);
    IntakeServer server(address,
                        [&intake](const IntakeRequest& request) { return intake.answer(request); });
    std::cout << texts::filled(texts::kServeListening,
                               {{"host", address.host}, {"port", std::to_string(server.port())}})
              << std::endl;
    stop.wait();
  } catch (const Failure& failure) {
    std::cerr << failure.what() << "\n";
    return failure.exit_code();
  }
  return kAllAccepted;
}

}  // namespace lc::push
