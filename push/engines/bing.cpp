#include "push/engines/bing.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "push/engines/bing_feeds.h"
#include "push/engines/bing_url_info.h"
#include "push/engines/client.h"
#include "push/texts/push_texts.h"

namespace lc::push {

std::string bing_explanation(const nlohmann::json& answer) {
  const int code = answer.contains("ErrorCode") && answer["ErrorCode"].is_number_integer()
                       ? answer["ErrorCode"].get<int>()
                       : -1;
  switch (code) {
    case 3:
      return std::string(texts::kBingInvalidKey);
    case 4:
    case 5:
      return std::string(texts::kBingThrottled);
    case 7:
      return std::string(texts::kBingInvalidUrl);
    case 13:
    case 14:
      return std::string(texts::kBingNotAuthorized);
    default:
      break;
  }
  if (answer.contains("Message") && answer["Message"].is_string())
    return answer["Message"].get<std::string>();
  return std::string(texts::kBatchRefused);
}

namespace {

using Json = nlohmann::json;

class Bing : public Engine {
 public:
  explicit Bing(const Destination& destination) : destination_(destination) {}

  // The quota as the API counts it: what is left of the day's and of the month's.
  std::optional<BatchOutcome> prepare() override {
    const Reply reply =
        http_exchange(destination_.interface +
                          "/GetUrlSubmissionQuota?siteUrl=" + query_encoded(destination_.site_url) +
                          "&apikey=" + query_encoded(destination_.key),
                      {.as_program = true, .timeout_seconds = destination_.timeout_seconds});
    BatchOutcome outcome = read(reply);
    if (outcome.kind != BatchOutcome::Kind::kAnswered) return outcome;
    const Json quota = answer_.value("d", Json());
    const auto number = [&](const char* key) {
      return quota.is_object() && quota.contains(key) && quota[key].is_number_integer()
                 ? std::optional(quota[key].get<long>())
                 : std::nullopt;
    };
    const std::optional<long> daily = number("DailyQuota");
    const std::optional<long> monthly = number("MonthlyQuota");
    if (!daily) {
      outcome.kind = BatchOutcome::Kind::kRefused;
      outcome.explanation = std::string(texts::kBingNoQuota);
      return outcome;
    }
    quota_ = monthly ? std::min(*daily, *monthly) : *daily;
    return std::nullopt;
  }

  std::optional<long> quota() const override { return quota_; }

  BatchOutcome send(std::span<const std::string_view> links) override {
    Json json = {{"siteUrl", destination_.site_url}, {"urlList", Json::array()}};
    for (const std::string_view link : links)
      json["urlList"].push_back(link);
    const std::string body = json.dump();
    const Reply reply = http_exchange(
        destination_.interface + "/SubmitUrlbatch?apikey=" + query_encoded(destination_.key),
        {.post = true,
         .as_program = true,
         .body = body,
         .content_type = "application/json; charset=utf-8",
         .timeout_seconds = destination_.timeout_seconds});
    BatchOutcome outcome = read(reply);
    if (outcome.kind != BatchOutcome::Kind::kAnswered) return outcome;
    outcome.links.assign(links.size(), LinkOutcome::accepted());
    if (quota_) {
      quota_ = std::max(0L, *quota_ - static_cast<long>(links.size()));
      outcome.remaining = quota_;
    }
    return outcome;
  }

 private:
  // An answer of 200 is taken; any other is a refusal, explained by its ErrorCode.
  BatchOutcome read(const Reply& reply) {
    BatchOutcome outcome;
    take_status(reply, outcome);
    if (!reply.answered()) return outcome;
    answer_ = Json::parse(reply.body, nullptr, false);
    if (reply.answered_2xx() && answer_.is_object() && answer_.contains("d")) {
      outcome.kind = BatchOutcome::Kind::kAnswered;
      return outcome;
    }
    outcome.kind = BatchOutcome::Kind::kRefused;
    outcome.explanation = bing_explanation(answer_.is_object() ? answer_ : Json::object());
    return outcome;
  }

  Destination destination_;
  std::optional<long> quota_;
  Json answer_;
};

const Setting<EngineSettings> kSettings[] = {
    {.key = "api_key",
     .option = "--key",
     .form = SettingForm::kSecret,
     .help = "Bing's API key",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       if (value.empty()) return std::string(texts::kNoApiKey);
       settings.destination.key = value;
       return std::nullopt;
     },
     .required = true},
    {.key = "site_url",
     .option = "--site-url",
     .form = SettingForm::kText,
     .help = "Bing's name for the site (default: the scheme and host of its first link)",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           settings.destination.site_url = value;
           return address_problem(value);
         }},
};

}  // namespace

const EngineDescription& bing_engine() {
  static const EngineDescription description{
      .name = "bing",
      .default_endpoint = "https://ssl.bing.com/webmaster/api.svc/json",
      .largest_batch = 500,  // URLs one SubmitUrlbatch may carry
      .usual_batch = 500,
      .daily_quota = std::nullopt,  // its API tells
      .days = QuotaDays::kUtc,
      .takes_one_host = true,
      .hears_of_removals = false,
      .destination_name =
          [](const Destination& destination, const Secrets& secrets) {
            return named_destination("bing", destination.host,
                                     secrets.hidden(destination.interface));
          },
      .make = made<Bing>,
      .settings = kSettings,
      .make_inspector = bing_inspector,
      .make_sitemap_submitter = bing_feed_submitter};
  return description;
}

}  // namespace lc::push
