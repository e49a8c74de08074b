#include "push/push_run.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <ostream>
#include <unordered_set>

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

int run(const RunOptions& options, const std::vector<std::string_view>& links, RunReport& report,
        std::ostream& err) {
  const std::string shown_interface = without_secrets(options.interface);
  if (options.dry_run) {
    report.plan(links.size(), (links.size() + options.batch - 1) / options.batch, options.batch,
                shown_interface);
    return kAllAccepted;
  }
  RunTotals totals;
  totals.links = links.size();
  if (options.state != nullptr) totals.already_pushed = options.already_pushed;
  std::optional<long> quota;
  bool unreachable = false;
  while (totals.sent < links.size()) {
    std::size_t count = std::min(options.batch, links.size() - totals.sent);
    if (quota) count = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(0L, *quota)));
    if (count == 0) {
      err << "配额已用完：余下的链接留待下次推送\n";
      break;
    }
    const PushAnswer answer =
        push_batch(options.interface, joined(links, totals.sent, count), options.timeout_seconds);
    const std::string status = platform::utf16_to_utf8(platform::cp936_to_utf16(answer.status));
    if (!answer.answered()) {
      err << shown_interface << ": " << status << "\n";
      unreachable = totals.accepted == 0;
      break;
    }
    std::optional<Accepted> reading =
        answer.answered_2xx() ? read_answer(answer.body) : std::nullopt;
    if (!reading) {
      const std::string message = message_of(answer.body);
      err << "接口拒绝了这批链接：" << status << (message.empty() ? "" : " ") << message << "\n";
      break;
    }
    const auto batch = links.begin() + static_cast<long>(totals.sent);
    totals.sent += count;
    totals.accepted += reading->accepted;
    totals.refused += reading->refused.size();
    quota = reading->remaining;
    report.request({.links = count,
                    .status = status,
                    .accepted = reading->accepted,
                    .remaining = reading->remaining,
                    .refused = reading->refused},
                   totals);
    if (options.state != nullptr) {
      const std::unordered_set<std::string_view> refused(reading->refused.begin(),
                                                         reading->refused.end());
      std::vector<std::string_view> recorded;
      std::copy_if(batch, batch + static_cast<long>(count), std::back_inserter(recorded),
                   [&](std::string_view link) { return !refused.contains(link); });
      std::string error;
      if (!options.state->record(recorded, error)) {
        err << "无法写入状态文件 " << error << "\n";
        break;
      }
    }
  }
  totals.pending = links.size() - totals.sent;
  totals.exit_code = unreachable ? kUnreachable : totals.pending == 0 ? kAllAccepted : kSomePending;
  if (options.pending) {
    std::string error;
    if (!write_pending(*options.pending, links, totals.sent, error)) {
      err << "无法写入待推送文件 " << error << "\n";
      totals.exit_code = kSomePending;
    }
  }
  report.summary(totals);
  return totals.exit_code;
}

}  // namespace lc::push
