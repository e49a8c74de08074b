#include "push/engines/push_interface.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>

#include "push/engines/client.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// The interface's words for a request over the quota that is left.
constexpr std::string_view kOverQuotaMessage = "over quota";

std::optional<long> integer_at(const Json& json, const char* key) {
  if (!json.contains(key) || !json[key].is_number_integer()) return std::nullopt;
  return json[key].get<long>();
}

}  // namespace

BatchOutcome read_push_answer(int status, std::string_view body,
                              std::span<const std::string_view> sent) {
  BatchOutcome outcome;
  outcome.kind = BatchOutcome::Kind::kRefused;
  const Json json = Json::parse(body, nullptr, false);
  if (!json.is_object()) return outcome;
  const std::optional<long> accepted = integer_at(json, "success_batch");
  if (status < 200 || status >= 300 || !accepted) {
    if (json.contains("message") && json["message"].is_string())
      outcome.explanation = json["message"].get<std::string>();
    outcome.over_quota = outcome.explanation == kOverQuotaMessage;
    return outcome;
  }
  outcome.kind = BatchOutcome::Kind::kAnswered;
  outcome.remaining = integer_at(json, "remain_batch");
  // The links it names as refused, each with the list that names it.
  std::unordered_map<std::string_view, std::string_view> named;
  for (const char* list : {"not_same_site", "not_valid"}) {
    if (!json.contains(list) || !json[list].is_array()) continue;
    for (const Json& link : json[list]) {
      if (link.is_string()) named.emplace(link.get_ref<const std::string&>(), list);
    }
  }
  const auto refused = static_cast<std::size_t>(std::count_if(
      sent.begin(), sent.end(), [&](std::string_view link) { return named.contains(link); }));
  // An answer whose counts do not add up does not say which links it took.
  if (*accepted < 0 || static_cast<std::size_t>(*accepted) + refused != sent.size()) {
    outcome.counted_accepted = *accepted;
    outcome.counted_refused = refused;
    return outcome;
  }
  for (const std::string_view link : sent) {
    const auto list = named.find(link);
    outcome.links.push_back(list == named.end() ? LinkOutcome::accepted()
                            : list->second == "not_valid"
                                ? LinkOutcome::refused(std::string(texts::kNotValidLink))
                                : LinkOutcome::refused(std::string(texts::kNotSameSite)));
  }
  return outcome;
}

namespace {

class PushInterface : public Engine {
 public:
  explicit PushInterface(const Destination& destination) : destination_(destination) {}

  BatchOutcome send(std::span<const std::string_view> links) override {
    std::string body;
    for (const std::string_view link : links)
      body.append(body.empty() ? "" : "\r\n").append(link);
    const Reply reply = http_exchange(
        destination_.interface,
        {.post = true, .body = body, .timeout_seconds = destination_.timeout_seconds});
    BatchOutcome outcome;
    if (reply.answered()) outcome = read_push_answer(reply.status, reply.body, links);
    take_status(reply, outcome);
    return outcome;
  }

 private:
  Destination destination_;
};

// The window's own bound on a request is none; this keeps a request within reason.
constexpr std::size_t kLargestBatch = 1'000'000;

// Its address is the user's own and holds the token, so it is a secret.
const Setting<EngineSettings> kSettings[] = {
    {.key = "interface",
     .option = "-i,--interface",
     .form = SettingForm::kSecret,
     .help = "the push interface's address with its token",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           settings.destination.interface = value;
           return address_problem(value);
         },
     .required = true,
     .variable = "LINKCOURIER_INTERFACE"},
};

}  // namespace

const EngineDescription& push_interface_engine() {
  static const EngineDescription description{
      .name = "push",
      .default_endpoint = "",
      .largest_batch = kLargestBatch,
      .usual_batch = 2000,
      .daily_quota = std::nullopt,
      .days = QuotaDays::kChinaTime,
      .takes_one_host = false,
      .hears_of_removals = false,
      // Its address names it: the interface's address holds the site.
      .destination_name =
          [](const Destination& destination, const Secrets& secrets) {
            return secrets.hidden(destination.interface);
          },
      .make = made<PushInterface>,
      .settings = kSettings};
  return description;
}

}  // namespace lc::push
