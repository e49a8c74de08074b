#include "push/reports/html_report.h"

#include <algorithm>
#include <sstream>

#include "push/reports/run_outcome.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::time_t kDay = 86400;

std::string escaped(std::string_view text) {
  std::string html;
  for (const char c : text) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

std::string date_of(std::time_t day) {
  return w3c_time(day).substr(0, 10);
}

// Thirty bars, one a day, scaled to the largest; each carries its day and figure.
std::string bar_chart(const std::array<std::int64_t, kReportDays>& values, std::time_t first_day,
                      const char* figure, const char* colour) {
  constexpr int kWidth = 600, kHeight = 120, kBar = kWidth / int(kReportDays);
  const std::int64_t largest =
      std::max<std::int64_t>(1, *std::max_element(values.begin(), values.end()));
  std::ostringstream svg;
  svg << "<svg viewBox=\"0 0 " << kWidth << " " << kHeight + 16 << "\" role=\"img\">";
  for (std::size_t day = 0; day < kReportDays; ++day) {
    const int height = int(values[day] * kHeight / largest);
    svg << "<rect x=\"" << int(day) * kBar + 1 << "\" y=\"" << kHeight - height << "\" width=\""
        << kBar - 2 << "\" height=\"" << height << "\" fill=\"" << colour << "\" data-day=\""
        << date_of(first_day + std::time_t(day) * kDay) << "\" data-" << figure << "=\""
        << values[day] << "\"><title>" << date_of(first_day + std::time_t(day) * kDay) << ": "
        << values[day] << "</title></rect>";
  }
  svg << "<text x=\"0\" y=\"" << kHeight + 13 << "\">" << date_of(first_day) << "</text>"
      << "<text x=\"" << kWidth << "\" y=\"" << kHeight + 13 << "\" text-anchor=\"end\">"
      << date_of(first_day + std::time_t(kReportDays - 1) * kDay) << "</text>"
      << "<text x=\"" << kWidth << "\" y=\"10\" text-anchor=\"end\">" << largest << "</text></svg>";
  return svg.str();
}

std::string headings() {
  std::string row;
  for (const std::string_view heading : texts::kReportColumns)
    row.append("<th>").append(heading).append("</th>");
  return row;
}

constexpr const char* kStyle = R"css(
body { font-family: system-ui, "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Microsoft YaHei",
       sans-serif; margin: 2em; color: #111; }
section { break-inside: avoid; border-top: 1px solid #999; padding-top: 0.5em; margin-bottom: 2em; }
h2 { font-size: 1.2em; margin: 0.2em 0; }
svg { width: 100%; max-width: 600px; height: auto; font-size: 11px; }
table { border-collapse: collapse; } td, th { padding: 0.1em 0.8em 0.1em 0; text-align: left; }
.quota { width: 300px; height: 14px; background: #ddd; }
.quota div { height: 14px; background: #c33; }
@page { size: A4; margin: 15mm; }
@media print { body { margin: 0; } svg { max-width: 170mm; } }
)css";

}  // namespace

std::time_t report_day(std::time_t time) {
  return time - time % kDay;
}

void add_events(std::vector<DestinationHistory>& histories, Record& record, std::time_t now) {
  const std::time_t first_day = report_day(now) - std::time_t(kReportDays - 1) * kDay;
  for (DestinationHistory& history : histories)
    history.waiting.fill(history.counts.waiting);
  record.for_each_event(first_day, "", [&](const LinkEvent& event) {
    const auto found = std::find_if(histories.begin(), histories.end(), [&](const auto& history) {
      return history.counts.destination == event.destination && history.counts.site == event.site;
    });
    if (found == histories.end()) return;
    const auto day = static_cast<std::size_t>((report_day(event.time) - first_day) / kDay);
    if (day >= kReportDays) return;
    if (event.event == "accepted") ++found->accepted[day];
    if (event.event == "refused") ++found->refusals[event.detail];
    // Walked back from today's backlog: before a link was seen it did not wait; before it was
    // accepted or refused, it did.
    const int change = event.event == "seen"                                   ? -1
                       : event.event == "accepted" || event.event == "refused" ? 1
                                                                               : 0;
    for (std::size_t before = 0; before < day; ++before)
      found->waiting[before] += change;
  });
}

std::string html_report(const std::vector<DestinationHistory>& histories, std::time_t now) {
  const std::time_t first_day = report_day(now) - std::time_t(kReportDays - 1) * kDay;
  std::ostringstream html;
  html << "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
       << "<title>" << texts::kReportTitle << "</title><style>" << kStyle
       << "</style></head><body><h1>" << texts::kReportHeading << "</h1><p>"
       << escaped(texts::filled(texts::kReportPeriod,
                                {{"now", w3c_time(now)}, {"days", std::to_string(kReportDays)}}))
       << "</p>";
  for (const DestinationHistory& history : histories) {
    const LinkCounts& counts = history.counts;
    html << "<section data-site=\"" << escaped(counts.site) << "\" data-engine=\""
         << escaped(history.engine) << "\"><h2>" << escaped(counts.site) << " · "
         << escaped(history.engine) << "</h2><p>" << escaped(counts.destination) << "</p>"
         << "<table><tr>" << headings() << "</tr><tr><td data-known=\"" << counts.known << "\">"
         << counts.known << "</td><td data-accepted-total=\"" << counts.accepted << "\">"
         << counts.accepted << "</td><td data-waiting-now=\"" << counts.waiting << "\">"
         << counts.waiting << "</td><td data-refused-total=\"" << counts.refused << "\">"
         << counts.refused << "</td><td data-last-exit-code=\""
         << counts.last_exit_code.value_or(-1) << "\">"
         << (counts.last_run ? escaped(w3c_time(*counts.last_run)) + " " : "")
         << escaped(counts.last_exit_code ? outcome_words(counts.last_exit_code) : "—")
         << "</td></tr></table>"
         << "<h3>" << texts::kReportAcceptedDaily << "</h3>"
         << bar_chart(history.accepted, first_day, "accepted", "#2a7") << "<h3>"
         << texts::kReportWaitingDaily << "</h3>"
         << bar_chart(history.waiting, first_day, "waiting", "#c82");
    if (const std::optional<QuotaDay>& quota = counts.last_quota_day) {
      const std::int64_t given = quota->used + quota->left.value_or(0);
      const std::int64_t percent = given > 0 ? quota->used * 100 / given : 0;
      html << "<h3>" << escaped(texts::filled(texts::kReportQuota, {{"day", date_of(quota->day)}}))
           << "</h3><p data-quota-used=\"" << quota->used << "\" data-quota-given=\"" << given
           << "\">"
           << texts::filled(texts::kReportQuotaUsed, {{"used", std::to_string(quota->used)},
                                                      {"given", std::to_string(given)}})
           << "</p><div class=\"quota\"><div style=\"width:" << percent << "%\"></div></div>";
    }
    html << "<h3>" << texts::kReportRefusals << "</h3>";
    if (history.refusals.empty()) html << "<p>—</p>";
    html << "<table>";
    for (const auto& [reason, count] : history.refusals) {
      html << "<tr><td data-refusal=\"" << escaped(reason) << "\">" << count << "</td><td>"
           << escaped(reason.empty() ? "—" : reason) << "</td></tr>";
    }
    html << "</table></section>";
  }
  html << "</body></html>\n";
  return html.str();
}

}  // namespace lc::push
