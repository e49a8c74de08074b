#include "push/reports/status_metrics.h"

#include "push/reports/prometheus_text.h"

namespace lc::push {

std::string status_metrics(const std::vector<StatusRow>& rows) {
  const auto labels = [](const StatusRow& row) {
    return "site=" + prometheus_label(row.site) + ",engine=" + prometheus_label(row.engine);
  };
  std::string text = prometheus_heading("linkcourier_record_links",
                                        "Links the record holds, by their state.", "gauge");
  for (const StatusRow& row : rows) {
    const std::pair<const char*, std::int64_t> states[] = {
        {"waiting", row.waiting},
        {"accepted", row.accepted},
        {"refused", row.refused},
        {"removal_waiting", row.removals_waiting}};
    for (const auto& [state, count] : states) {
      text += "linkcourier_record_links{" + labels(row) + ",state=\"" + state + "\"} " +
              std::to_string(count) + "\n";
    }
  }
  text +=
      prometheus_heading("linkcourier_record_quota_left",
                         "The quota the engine's day still allows, as far as is known.", "gauge");
  for (const StatusRow& row : rows) {
    if (row.quota_left)
      text += "linkcourier_record_quota_left{" + labels(row) + "} " +
              std::to_string(*row.quota_left) + "\n";
  }
  return text;
}

}  // namespace lc::push
