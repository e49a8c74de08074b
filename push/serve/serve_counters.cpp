#include "push/serve/serve_counters.h"

#include "push/reports/prometheus_text.h"

namespace lc::push {

void ServeCounters::answered(int status) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ++answers_[status];
}

std::string ServeCounters::text() const {
  std::string text = prometheus_heading("linkcourier_serve_requests_total",
                                        "Requests the service answered, by status.", "counter");
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [status, count] : answers_) {
      text += "linkcourier_serve_requests_total{status=\"" + std::to_string(status) + "\"} " +
              std::to_string(count) + "\n";
    }
  }
  text += prometheus_heading("linkcourier_serve_links_taken_total",
                             "Links the service kept in the record.", "counter") +
          "linkcourier_serve_links_taken_total " + std::to_string(links_taken_) + "\n";
  text += prometheus_heading("linkcourier_serve_flushes_total",
                             "Flushes of a site, by whether they left links waiting.", "counter") +
          "linkcourier_serve_flushes_total{result=\"sent\"} " + std::to_string(flushes_sent_) +
          "\nlinkcourier_serve_flushes_total{result=\"left_waiting\"} " +
          std::to_string(flushes_left_) + "\n";
  return text;
}

}  // namespace lc::push
