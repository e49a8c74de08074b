#include "push/push_run.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "platform/text_encodings.h"
#include "push/pending_file.h"
#include "push/state_file.h"
#include "submit/push_batch.h"

namespace lc::push {
namespace {

using Json = nlohmann::json;

// What an answer of 2xx says, read as JSON.
struct Accepted {
  long accepted = 0;
  std::optional<long> remaining;
  std::vector<std::string> refused;
};

std::optional<Accepted> read_answer(const std::string& body) {
  const Json json = Json::parse(body, nullptr, false);
  if (!json.is_object() || !json.contains("success_batch") ||
      !json["success_batch"].is_number_integer()) {
    return std::nullopt;
  }
  Accepted result;
  result.accepted = json["success_batch"].get<long>();
  if (json.contains("remain_batch") && json["remain_batch"].is_number_integer()) {
    result.remaining = json["remain_batch"].get<long>();
  }
  for (const char* list : {"not_same_site", "not_valid"}) {
    if (!json.contains(list) || !json[list].is_array()) continue;
    for (const Json& link : json[list]) {
      if (link.is_string()) result.refused.push_back(link.get<std::string>());
    }
  }
  return result;
}

// The interface's own word on a refusal, when its answer carries one.
std::string message_of(const std::string& body) {
  const Json json = Json::parse(body, nullptr, false);
  if (json.is_object() && json.contains("message") && json["message"].is_string()) {
    return json["message"].get<std::string>();
  }
  return {};
}

std::string joined(const std::vector<std::string_view>& links, std::size_t first,
                   std::size_t count) {
  std::string body;
  for (std::size_t i = first; i < first + count; ++i) {
    if (i > first) body += "\r\n";
    body += links[i];
  }
  return body;
}

}  // namespace

std::string without_secrets(std::string address) {
  for (std::size_t at = address.find("token="); at != std::string::npos;
       at = address.find("token=", at + 1)) {
    const std::size_t value = at + 6;
    const std::size_t end = std::min(address.find_first_of("&#", value), address.size());
    address.replace(value, end - value, "***");
  }
  return address;
}

int run(const RunOptions& options, const std::vector<std::string_view>& links, std::ostream& out,
        std::ostream& err) {
  const std::string shown_interface = without_secrets(options.interface);
  if (options.dry_run) {
    const std::size_t requests = (links.size() + options.batch - 1) / options.batch;
    out << links.size() << " links in " << requests << " requests of at most " << options.batch
        << (shown_interface.empty() ? "" : " to " + shown_interface) << "\n";
    return kAllAccepted;
  }
  std::size_t next = 0;
  std::optional<long> quota;
  long accepted = 0;
  std::size_t refused = 0;
  bool unreachable = false;
  while (next < links.size()) {
    std::size_t count = std::min(options.batch, links.size() - next);
    if (quota) count = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(0L, *quota)));
    if (count == 0) {
      err << "配额已用完：余下的链接留待下次推送\n";
      break;
    }
    const PushAnswer answer =
        push_batch(options.interface, joined(links, next, count), options.timeout_seconds);
    if (!answer.answered()) {
      err << shown_interface << ": "
          << platform::utf16_to_utf8(platform::cp936_to_utf16(answer.status)) << "\n";
      unreachable = accepted == 0;
      break;
    }
    const std::optional<Accepted> reading =
        answer.answered_2xx() ? read_answer(answer.body) : std::nullopt;
    if (!reading) {
      const std::string message = message_of(answer.body);
      err << "接口拒绝了这批链接：" << answer.status << (message.empty() ? "" : " ") << message
          << "\n";
      break;
    }
    accepted += reading->accepted;
    refused += reading->refused.size();
    if (options.state != nullptr) {
      std::vector<std::string_view> recorded(links.begin() + static_cast<long>(next),
                                             links.begin() + static_cast<long>(next + count));
      std::erase_if(recorded, [&](std::string_view link) {
        return std::find(reading->refused.begin(), reading->refused.end(), link) !=
               reading->refused.end();
      });
      std::string error;
      if (!options.state->record(recorded, error)) {
        err << "无法写入状态文件 " << error << "\n";
        next += count;
        break;
      }
    }
    quota = reading->remaining;
    next += count;
    out << "成功提交：" << reading->accepted << "条链接\n";
    if (quota) out << "剩余额度：" << *quota << "条\n";
    for (const std::string& link : reading->refused)
      out << "未接受：" << link << "\n";
  }
  out << "共发送：" << next << "条，成功：" << accepted << "条，被拒绝：" << refused
      << "条，待推送：" << links.size() - next << "条";
  if (options.state != nullptr) out << "，已推送过：" << options.already_pushed << "条";
  out << "\n";
  if (options.pending) {
    std::string error;
    if (!write_pending(*options.pending, links, next, error)) {
      err << "无法写入待推送文件 " << error << "\n";
      return kSomePending;
    }
  }
  if (unreachable) return kUnreachable;
  return next == links.size() ? kAllAccepted : kSomePending;
}

}  // namespace lc::push
