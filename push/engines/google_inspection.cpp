#include "push/engines/google_inspection.h"

#include <nlohmann/json.hpp>

#include "push/engines/client.h"
#include "push/engines/google_token.h"
#include "push/engines/json_fields.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kInspectPath = "/v1/urlInspection/index:inspect";

std::string api_message(const Json& answer) {
  return json_text(answer.is_object() ? answer.value("error", Json()) : Json(), "message");
}

InspectionOutcome refusal(int status, const Json& answer, std::string_view property) {
  const std::string named = std::string(property);
  switch (status) {
    case 401:
      return InspectionOutcome::stopped(std::string(texts::kGoogleUnauthorized));
    case 403:
      return InspectionOutcome::stopped(
          texts::filled(texts::kInspectionNotPermitted, {{"property", named}}));
    case 404:
      return InspectionOutcome::stopped(
          texts::filled(texts::kInspectionNoProperty, {{"property", named}}));
    case 400:
      return InspectionOutcome::stopped(
          texts::filled(texts::kInspectionNotInProperty, {{"property", named}}) +
          api_message(answer));
    case 429:
      return InspectionOutcome::stopped(std::string(texts::kInspectionQuota), true);
    default: {
      const std::string message = api_message(answer);
      return InspectionOutcome::stopped(std::string(texts::kInspectionStopped) +
                                        (message.empty() ? std::to_string(status) : message));
    }
  }
}

class GoogleInspector final : public Inspector {
 public:
  GoogleInspector(const Destination& account, const InspectionSettings& settings)
      : account_(account),
        address_(settings.endpoint + std::string(kInspectPath)),
        property_(settings.property) {}

  InspectionOutcome inspect(std::string_view link) override {
    // Where none is given, the property is the URL prefix of the link's scheme and host.
    const std::string property = property_.empty() ? site_url_of(link) : property_;
    const std::string body = Json{{"inspectionUrl", link}, {"siteUrl", property}}.dump();
    const AuthorizedReply answer =
        authorized_exchange(account_, kInspectionScope, address_,
                            {.post = true,
                             .as_program = true,
                             .body = body,
                             .content_type = "application/json",
                             .timeout_seconds = account_.timeout_seconds});
    if (!answer.problem.empty()) return InspectionOutcome::stopped(answer.problem);
    if (!answer.reply.answered()) {
      return InspectionOutcome::stopped(std::string(texts::kInspectionStopped) +
                                        answer.reply.status_text);
    }
    return read_url_inspection(answer.reply.status, answer.reply.body, link, property);
  }

 private:
  Destination account_;
  std::string address_;
  std::string property_;
};

}  // namespace

InspectionOutcome read_url_inspection(int status, std::string_view body, std::string_view link,
                                      std::string_view property) {
  const Json answer = Json::parse(body, nullptr, false);
  if (status < 200 || status > 299) return refusal(status, answer, property);
  const Json result = answer.is_object() ? answer.value("inspectionResult", Json()) : Json();
  const Json index = result.is_object() ? result.value("indexStatusResult", Json()) : Json();
  if (!index.is_object()) return InspectionOutcome::left(std::string(texts::kInspectionNoStatus));
  InspectionOutcome outcome;
  outcome.kind = InspectionOutcome::Kind::kInspected;
  Inspection& inspection = outcome.inspection;
  const std::string verdict = json_text(index, "verdict");
  inspection.indexed = verdict == "PASS";
  inspection.coverage = json_text(index, "coverageState");
  if (inspection.coverage.empty()) inspection.coverage = verdict;
  inspection.last_crawl = parse_w3c_time(json_text(index, "lastCrawlTime"));
  Json details = Json::object();
  for (const char* key :
       {"verdict", "indexingState", "pageFetchState", "googleCanonical", "robotsTxtState"}) {
    const std::string value = json_text(index, key);
    if (!value.empty() && value != link) details[key] = value;
  }
  inspection.details = details.dump();
  return outcome;
}

std::unique_ptr<Inspector> google_inspector(const Destination& account,
                                            const InspectionSettings& settings) {
  return std::make_unique<GoogleInspector>(account, settings);
}

}  // namespace lc::push
