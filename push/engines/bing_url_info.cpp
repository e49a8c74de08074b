#include "push/engines/bing_url_info.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "push/engines/bing.h"
#include "push/engines/client.h"
#include "push/engines/json_fields.h"
#include "push/texts/link_parts.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

constexpr std::time_t kNever = 365 * 24 * 3600;  // the API's DateTime.MinValue, and the like

InspectionOutcome refusal(const Json& answer) {
  const std::optional<long long> code = json_number(answer, "ErrorCode");
  const std::string words = bing_explanation(answer.is_object() ? answer : Json::object());
  if (code == 7) return InspectionOutcome::left(words);  // this link's
  if (code == 4 || code == 5)
    return InspectionOutcome::stopped(std::string(texts::kInspectionThrottled), true);
  return InspectionOutcome::stopped(std::string(texts::kInspectionStopped) + words);
}

class BingInspector final : public Inspector {
 public:
  BingInspector(const Destination& destination, const InspectionSettings& settings)
      : destination_(destination),
        endpoint_(settings.endpoint.empty() ? destination.interface : settings.endpoint) {}

  InspectionOutcome inspect(std::string_view link) override {
    const std::string site_url =
        destination_.site_url.empty() ? site_url_of(link) : destination_.site_url;
    const Reply reply = http_exchange(
        endpoint_ + "/GetUrlInfo?siteUrl=" + query_encoded(site_url) +
            "&url=" + query_encoded(link) + "&apikey=" + query_encoded(destination_.key),
        {.as_program = true, .timeout_seconds = destination_.timeout_seconds});
    if (!reply.answered()) {
      return InspectionOutcome::stopped(std::string(texts::kInspectionStopped) + reply.status_text);
    }
    return read_url_info(reply.status, reply.body);
  }

 private:
  Destination destination_;
  std::string endpoint_;
};

}  // namespace

std::optional<std::time_t> parse_bing_date(std::string_view text) {
  constexpr std::string_view kOpening = "/Date(";
  if (!text.starts_with(kOpening)) return std::nullopt;
  text.remove_prefix(kOpening.size());
  long long milliseconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
  if (seconds < kNever) return std::nullopt;
  return seconds;
}

InspectionOutcome read_url_info(int status, std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  const Json info = answer.is_object() ? answer.value("d", Json()) : Json();
  if (status < 200 || status > 299 || !info.is_object()) return refusal(answer);
  InspectionOutcome outcome;
  outcome.kind = InspectionOutcome::Kind::kInspected;
  Inspection& inspection = outcome.inspection;
  inspection.last_crawl = parse_bing_date(json_text(info, "LastCrawledDate"));
  const long long http_status = json_number(info, "HttpStatus").value_or(0);
  inspection.indexed = inspection.last_crawl && http_status >= 200 && http_status <= 299;
  inspection.coverage =
      inspection.last_crawl ? "Crawled, HTTP " + std::to_string(http_status) : "Not crawled";
  Json details = Json::object();
  if (http_status != 0) details["httpStatus"] = http_status;
  if (const std::optional<std::time_t> found = parse_bing_date(json_text(info, "DiscoveryDate")))
    details["discovered"] = w3c_time(*found);
  inspection.details = details.dump();
  return outcome;
}

std::unique_ptr<Inspector> bing_inspector(const Destination& destination,
                                          const InspectionSettings& settings) {
  return std::make_unique<BingInspector>(destination, settings);
}

}  // namespace lc::push
