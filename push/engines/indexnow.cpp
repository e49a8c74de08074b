#include "push/engines/indexnow.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "common/ascii_text.h"
#include "push/engines/client.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// A key file is a line; anything much longer is not one.
constexpr std::size_t kLargestKeyFile = 4096;

std::string explanation(int status) {
  switch (status) {
    case 400:
      return std::string(texts::kIndexNowMalformed);
    case 403:
      return std::string(texts::kIndexNowWrongKey);
    case 422:
      return std::string(texts::kIndexNowOtherHost);
    case 429:
      return std::string(texts::kIndexNowTooMany);
    default:
      return std::string(texts::kBatchRefused);
  }
}

class IndexNow : public Engine {
 public:
  explicit IndexNow(const Destination& destination) : destination_(destination) {}

  // The key file at the key location (by default the site's root) must hold the key.
  std::optional<BatchOutcome> prepare() override {
    const std::string location =
        destination_.key_location.empty()
            ? "https://" + destination_.host + "/" + destination_.key + ".txt"
            : destination_.key_location;
    const Reply reply = http_exchange(location, {.timeout_seconds = destination_.timeout_seconds,
                                                 .largest_body = kLargestKeyFile});
    if (reply.answered_2xx() && trimmed_ascii(reply.body) == destination_.key) return std::nullopt;
    BatchOutcome outcome;
    take_status(reply, outcome);
    if (reply.answered()) outcome.kind = BatchOutcome::Kind::kRefused;
    outcome.explanation = texts::filled(
        reply.answered_2xx() ? texts::kIndexNowKeyFileOther : texts::kIndexNowNoKeyFile,
        {{"location", location}});
    return outcome;
  }

  BatchOutcome send(std::span<const std::string_view> links) override {
    Json json = {{"host", destination_.host}, {"key", destination_.key}};
    if (!destination_.key_location.empty()) json["keyLocation"] = destination_.key_location;
    json["urlList"] = Json::array();
    for (const std::string_view link : links)
      json["urlList"].push_back(link);
    const std::string body = json.dump();
    const Reply reply =
        http_exchange(destination_.interface, {.post = true,
                                               .as_program = true,
                                               .body = body,
                                               .content_type = "application/json; charset=utf-8",
                                               .timeout_seconds = destination_.timeout_seconds});
    BatchOutcome outcome;
    take_status(reply, outcome);
    if (!reply.answered()) return outcome;
    if (reply.status == 200 || reply.status == 202) {
      BatchOutcome answered = BatchOutcome::all_accepted(links.size());
      take_status(reply, answered);
      return answered;
    }
    outcome.kind = BatchOutcome::Kind::kRefused;
    outcome.explanation = explanation(reply.status);
    return outcome;
  }

 private:
  Destination destination_;
};

const Setting<EngineSettings> kSettings[] = {
    {.key = "key",
     .option = "--key",
     .form = SettingForm::kSecret,
     .help = "the IndexNow key",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       if (!is_indexnow_key(value)) return std::string(texts::kIndexNowKeyForm);
       settings.destination.key = value;
       return std::nullopt;
     },
     .required = true},
    {.key = "key_location",
     .option = "--key-location",
     .form = SettingForm::kText,
     .help = "where the IndexNow key file stands, when not at the site's root",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           settings.destination.key_location = value;
           return address_problem(value);
         }},
};

}  // namespace

const EngineDescription& indexnow_engine() {
  static const EngineDescription description{
      .name = "indexnow",
      // The endpoint the participating engines share.
      .default_endpoint = "https://api.indexnow.org/indexnow",
      .largest_batch = 10'000,
      .usual_batch = 10'000,
      .daily_quota = std::nullopt,
      .days = QuotaDays::kPerRequest,
      .takes_one_host = true,
      // Its engines fetch a removed page and find it gone.
      .hears_of_removals = true,
      // One endpoint serves every site.
      .destination_name =
          [](const Destination& destination, const Secrets& secrets) {
            return named_destination("indexnow", destination.host,
                                     secrets.hidden(destination.interface));
          },
      .make = made<IndexNow>,
      .settings = kSettings};
  return description;
}

bool is_indexnow_key(std::string_view key) {
  return key.size() >= 8 && key.size() <= 128 && std::all_of(key.begin(), key.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-';
         });
}

}  // namespace lc::push
