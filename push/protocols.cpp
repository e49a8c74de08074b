#include "push/protocols.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "http/http_request.h"
#include "platform/text_encodings.h"
#include "submit/push_batch.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

std::string as_utf8(const Text& text) {
  return platform::utf16_to_utf8(platform::cp936_to_utf16(text));
}

// The interface's own word on a refusal, when its answer carries one.
std::string message_of(const std::string& body) {
  const Json json = Json::parse(body, nullptr, false);
  if (json.is_object() && json.contains("message") && json["message"].is_string()) {
    return json["message"].get<std::string>();
  }
  return {};
}

BatchOutcome push_interface(const Destination& destination,
                            std::span<const std::string_view> links) {
  std::string body;
  for (const std::string_view link : links)
    body.append(body.empty() ? "" : "\r\n").append(link);
  const PushAnswer answer = push_batch(destination.interface, body, destination.timeout_seconds);
  BatchOutcome outcome;
  outcome.status = as_utf8(answer.status);
  if (!answer.answered()) return outcome;
  outcome.kind = BatchOutcome::Kind::kRefused;
  const Json json = answer.answered_2xx() ? Json::parse(answer.body, nullptr, false) : Json();
  if (!json.is_object() || !json.contains("success_batch") ||
      !json["success_batch"].is_number_integer()) {
    outcome.explanation = message_of(answer.body);
    return outcome;
  }
  outcome.kind = BatchOutcome::Kind::kAccepted;
  outcome.accepted = json["success_batch"].get<long>();
  if (json.contains("remain_batch") && json["remain_batch"].is_number_integer()) {
    outcome.remaining = json["remain_batch"].get<long>();
  }
  for (const char* list : {"not_same_site", "not_valid"}) {
    if (!json.contains(list) || !json[list].is_array()) continue;
    for (const Json& link : json[list]) {
      if (link.is_string()) outcome.refused.push_back(link.get<std::string>());
    }
  }
  return outcome;
}

std::string indexnow_explanation(std::string_view status) {
  if (status.starts_with("400")) return "请求有误：接口读不懂这批链接";
  if (status.starts_with("403")) return "密钥无效：接口在密钥文件里找不到这个密钥";
  if (status.starts_with("422")) return "链接不属于该站点，或与密钥不符";
  if (status.starts_with("429")) return "请求过多：余下的链接留待下次推送";
  return "接口拒绝了这批链接";
}

BatchOutcome indexnow(const Destination& destination, std::span<const std::string_view> links) {
  Json json = {{"host", destination.host}, {"key", destination.key}};
  if (!destination.key_location.empty()) json["keyLocation"] = destination.key_location;
  json["urlList"] = Json::array();
  for (const std::string_view link : links)
    json["urlList"].push_back(link);
  Text status;
  http_request(destination.interface,
               {.method = HttpMethod::kPost,
                .body_text = json.dump(),
                .extra_headers = "Content-Type: application/json; charset=utf-8",
                .timeout_seconds = destination.timeout_seconds,
                .status = &status});
  BatchOutcome outcome;
  outcome.status = as_utf8(status);
  if (!is_http_status(status)) return outcome;
  if (status.starts_with("200") || status.starts_with("202")) {
    outcome.kind = BatchOutcome::Kind::kAccepted;
    outcome.accepted = static_cast<long>(links.size());
    return outcome;
  }
  outcome.kind = BatchOutcome::Kind::kRefused;
  outcome.explanation = indexnow_explanation(outcome.status);
  return outcome;
}

}  // namespace

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
