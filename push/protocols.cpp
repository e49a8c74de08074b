#include "push/protocols.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "push/client.h"
#include "push/push_texts.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// The interface's words for a request over the quota that is left.
constexpr std::string_view kOverQuotaMessage = "over quota";

std::optional<long> integer_at(const Json& json, const char* key) {
  if (!json.contains(key) || !json[key].is_number_integer()) return std::nullopt;
  return json[key].get<long>();
}

BatchOutcome push_interface(const Destination& destination,
                            std::span<const std::string_view> links) {
  std::string body;
  for (const std::string_view link : links)
    body.append(body.empty() ? "" : "\r\n").append(link);
  const Reply reply =
      http_exchange(destination.interface,
                    {.post = true, .body = body, .timeout_seconds = destination.timeout_seconds});
  BatchOutcome outcome;
  if (reply.answered()) outcome = read_push_answer(reply.status, reply.body);
  outcome.status = reply.status_text;
  return outcome;
}

std::string indexnow_explanation(int status) {
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
      return std::string(texts::kIndexNowRefused);
  }
}

BatchOutcome indexnow(const Destination& destination, std::span<const std::string_view> links) {
  Json json = {{"host", destination.host}, {"key", destination.key}};
  if (!destination.key_location.empty()) json["keyLocation"] = destination.key_location;
  json["urlList"] = Json::array();
  for (const std::string_view link : links)
    json["urlList"].push_back(link);
  const std::string body = json.dump();
  const Reply reply =
      http_exchange(destination.interface, {.post = true,
                                            .body = body,
                                            .content_type = "application/json; charset=utf-8",
                                            .timeout_seconds = destination.timeout_seconds});
  BatchOutcome outcome;
  outcome.status = reply.status_text;
  if (!reply.answered()) return outcome;
  if (reply.status == 200 || reply.status == 202) {
    outcome.kind = BatchOutcome::Kind::kAccepted;
    outcome.accepted = static_cast<long>(links.size());
    return outcome;
  }
  outcome.kind = BatchOutcome::Kind::kRefused;
  outcome.explanation = indexnow_explanation(reply.status);
  return outcome;
}

}  // namespace

std::optional<BatchOutcome> indexnow_key_problem(const Destination& destination) {
  const std::string location = destination.key_location.empty()
                                   ? "https://" + destination.host + "/" + destination.key + ".txt"
                                   : destination.key_location;
  // A key file is a line; anything much longer is not one.
  const Reply reply = http_exchange(
      location, {.timeout_seconds = destination.timeout_seconds, .largest_body = 4096});
  BatchOutcome outcome;
  outcome.status = reply.status_text;
  const std::size_t first = reply.body.find_first_not_of(" \t\r\n");
  const std::size_t last = reply.body.find_last_not_of(" \t\r\n");
  if (reply.answered_2xx() && first != std::string::npos &&
      std::string_view(reply.body).substr(first, last + 1 - first) == destination.key) {
    return std::nullopt;
  }
  if (reply.answered()) outcome.kind = BatchOutcome::Kind::kRefused;
  outcome.explanation =
      texts::filled(reply.answered_2xx() ? texts::kIndexNowKeyFileOther : texts::kIndexNowNoKeyFile,
                    {{"location", location}});
  return outcome;
}

BatchOutcome read_push_answer(int status, std::string_view body) {
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
  outcome.kind = BatchOutcome::Kind::kAccepted;
  outcome.accepted = *accepted;
  outcome.remaining = integer_at(json, "remain_batch");
  for (const char* list : {"not_same_site", "not_valid"}) {
    if (!json.contains(list) || !json[list].is_array()) continue;
    for (const Json& link : json[list]) {
      if (link.is_string()) outcome.refused.push_back(link.get<std::string>());
    }
  }
  return outcome;
}

BatchOutcome send_batch(const Destination& destination, std::span<const std::string_view> links) {
  return destination.indexnow ? indexnow(destination, links) : push_interface(destination, links);
}

bool is_indexnow_key(std::string_view key) {
  return key.size() >= 8 && key.size() <= 128 && std::all_of(key.begin(), key.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-';
         });
}

}  // namespace lc::push
