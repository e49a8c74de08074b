#include "push/reports/metrics_file.h"

#include <map>
#include <sstream>

#include "push/reports/prometheus_text.h"
#include "push/texts/exit_codes.h"
#include "push/texts/failure.h"
#include "push/texts/file_text.h"

namespace lc::push {
namespace {

constexpr std::string_view kLastSuccess = "linkcourier_last_success_timestamp_seconds";

std::string labels_of(const ReportLabels& labels) {
  return "{site=" + prometheus_label(labels.site) + ",engine=" + prometheus_label(labels.engine) +
         "}";
}

// The times of last success the file holds, by their labels.
std::map<std::string, std::string> last_successes(const std::string& path) {
  std::map<std::string, std::string> found;
  std::string text;
  try {
    text = read_file(path);
  } catch (const Failure&) {
    return found;  // none yet, or none to keep
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with(kLastSuccess)) continue;
    const std::size_t space = line.rfind(' ');
    if (space == std::string::npos) continue;
    found[line.substr(kLastSuccess.size(), space - kLastSuccess.size())] = line.substr(space + 1);
  }
  return found;
}

struct Gauge {
  const char* name;
  const char* help;
};

}  // namespace

void write_metrics(const std::string& path, const std::vector<RunFigures>& runs, std::time_t now) {
  const std::map<std::string, std::string> kept = last_successes(path);
  std::ostringstream text;
  const auto family = [&](const Gauge& gauge, auto value_of) {
    text << prometheus_heading(gauge.name, gauge.help, "gauge");
    for (const RunFigures& run : runs) {
      const std::optional<std::string> value = value_of(run);
      if (value) text << gauge.name << labels_of(run.labels) << " " << *value << "\n";
    }
  };
  const auto number = [](auto value) { return std::optional<std::string>(std::to_string(value)); };
  family({"linkcourier_links_sent", "Links the last run sent."},
         [&](const RunFigures& run) { return number(run.totals.sent); });
  family({"linkcourier_links_accepted", "Links the last run had accepted."},
         [&](const RunFigures& run) { return number(run.totals.accepted); });
  family({"linkcourier_links_refused", "Links the last run had refused."},
         [&](const RunFigures& run) { return number(run.totals.refused); });
  family({"linkcourier_links_waiting", "Links waiting after the last run."},
         [&](const RunFigures& run) { return number(run.totals.pending); });
  family({"linkcourier_quota_left", "The quota the engine last said is left."},
         [&](const RunFigures& run) {
           return run.totals.quota_left ? number(*run.totals.quota_left) : std::nullopt;
         });
  family({"linkcourier_links_indexed", "Accepted links the engine's index holds, as inspected."},
         [&](const RunFigures& run) {
           return run.totals.indexed ? number(*run.totals.indexed) : std::nullopt;
         });
  family({"linkcourier_inspections_left", "Inspections the engine's day still allows."},
         [&](const RunFigures& run) {
           return run.totals.inspections_left ? number(*run.totals.inspections_left) : std::nullopt;
         });
  family({"linkcourier_last_run_exit_code", "The last run's exit code."},
         [&](const RunFigures& run) { return number(run.totals.exit_code); });
  family({"linkcourier_last_run_duration_seconds", "How long the last run took."},
         [&](const RunFigures& run) {
           std::ostringstream seconds;
           seconds << run.seconds;
           return std::optional<std::string>(seconds.str());
         });
  family({"linkcourier_last_run_timestamp_seconds", "When the last run ended."},
         [&](const RunFigures&) { return number(now); });
  family({kLastSuccess.data(), "When a run last ended with exit code 0."},
         [&](const RunFigures& run) -> std::optional<std::string> {
           if (run.totals.exit_code == 0) return number(now);
           const auto found = kept.find(labels_of(run.labels));
           return found != kept.end() ? std::optional(found->second) : std::nullopt;
         });

  // node_exporter reads it as a user of its own.
  write_file_whole(path, text.str(), kPendingUnwritable, Readers::kEveryone);
}

}  // namespace lc::push
