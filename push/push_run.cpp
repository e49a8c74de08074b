#include "push/push_run.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <unordered_set>

#include "push/pending_file.h"
#include "push/state_file.h"

namespace lc::push {
namespace {}  // namespace

std::string without_secrets(std::string address) {
  for (const std::string_view name : {"token=", "key="}) {
    for (std::size_t at = address.find(name); at != std::string::npos;
         at = address.find(name, at + 1)) {
      const std::size_t value = at + name.size();
      const std::size_t end = std::min(address.find_first_of("&#", value), address.size());
      address.replace(value, end - value, "***");
    }
  }
  return address;
}

int run(const RunOptions& options, const std::vector<std::string_view>& links, RunReport& report,
        std::ostream& err) {
  const std::string shown_interface = without_secrets(options.destination.interface);
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
    const std::span<const std::string_view> batch(links.data() + totals.sent, count);
    BatchOutcome outcome = send_batch(options.destination, batch);
    if (outcome.kind == BatchOutcome::Kind::kUnreachable) {
      err << shown_interface << ": " << outcome.status << "\n";
      unreachable = totals.accepted == 0;
      break;
    }
    if (outcome.kind == BatchOutcome::Kind::kRefused) {
      err << "接口拒绝了这批链接：" << outcome.status << (outcome.explanation.empty() ? "" : "，")
          << outcome.explanation << "\n";
      break;
    }
    totals.sent += count;
    totals.accepted += outcome.accepted;
    totals.refused += outcome.refused.size();
    quota = outcome.remaining;
    report.request({.links = count,
                    .status = outcome.status,
                    .accepted = outcome.accepted,
                    .remaining = outcome.remaining,
                    .refused = outcome.refused},
                   totals);
    if (options.state != nullptr) {
      const std::unordered_set<std::string_view> refused(outcome.refused.begin(),
                                                         outcome.refused.end());
      std::vector<std::string_view> recorded;
      std::copy_if(batch.begin(), batch.end(), std::back_inserter(recorded),
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
