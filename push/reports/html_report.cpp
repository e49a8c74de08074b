#include "push/reports/html_report.h"

#include <algorithm>
#include <numeric>
#include <sstream>

#include "push/engines/engine_registry.h"
#include "push/reports/report_chart.h"
#include "push/reports/run_outcome.h"
#include "push/texts/exit_codes.h"
#include "push/texts/natural_order.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::time_t kLate = 36 * 3600;  // a nightly run later than this is overdue
constexpr std::size_t kReasonsShown = 4;

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

// "12-08 03:00", in UTC.
std::string moment(std::time_t time) {
  const std::string w3c = w3c_time(time);
  return w3c.substr(5, 5) + " " + w3c.substr(11, 5);
}

struct Health {
  const char* name;
  std::string_view words;
};

Health health_of(const DestinationHistory& history, std::time_t now) {
  if (!history.last_run) return {"not-run", texts::kHealthNotRun};
  const RunEntry& run = *history.last_run;
  if (!run.ended || !run.exit_code || *run.exit_code > kNeedsAttention)
    return {"failing", texts::kHealthFailing};
  if (now - run.started > kLate) return {"late", texts::kHealthLate};
  if (*run.exit_code == kNeedsAttention) return {"attention", texts::kHealthAttention};
  return {"good", texts::kHealthGood};
}

std::int64_t sum(const std::array<std::int64_t, kReportDays>& days) {
  return std::accumulate(days.begin(), days.end(), std::int64_t(0));
}

std::int64_t refused_in_period(const DestinationHistory& history) {
  std::int64_t refused = 0;
  for (const auto& [reason, count] : history.refusals)
    refused += count;
  return refused;
}

std::string site_title(const DestinationHistory& history) {
  return history.site_name.empty() ? history.counts.site : history.site_name;
}

bool same_site(const DestinationHistory& a, const DestinationHistory& b) {
  return a.counts.site == b.counts.site && site_title(a) == site_title(b);
}

std::string summary(const std::vector<DestinationHistory>& histories, std::time_t now) {
  std::ostringstream html;
  html << "<h2>" << texts::kReportSummary << "</h2><table class=\"summary\"><tr>";
  for (const std::string_view heading : texts::kReportSummaryColumns)
    html << "<th>" << heading << "</th>";
  html << "</tr>";
  for (auto at = histories.begin(); at != histories.end(); ++at) {
    const DestinationHistory& history = *at;
    const Health health = health_of(history, now);
    const std::optional<RunEntry>& run = history.last_run;
    html << "<tr data-site=\"" << escaped(history.counts.site) << "\" data-engine=\""
         << escaped(history.engine) << "\">";
    // The site's name once, beside all its engines.
    if (at == histories.begin() || !same_site(*at, *(at - 1))) {
      html << "<td class=\"site\" rowspan=\""
           << std::find_if(at, histories.end(),
                           [&](const auto& other) { return !same_site(other, history); }) -
                  at
           << "\">" << escaped(site_title(history)) << "</td>";
    }
    html << "<td>" << escaped(history.engine) << "</td><td class=\"number\" data-accepted-30=\""
         << sum(history.accepted) << "\">" << sum(history.accepted)
         << "</td><td class=\"number\" data-waiting-now=\"" << history.counts.waiting << "\">"
         << history.counts.waiting << "</td><td class=\"number\" data-refused-30=\""
         << refused_in_period(history) << "\">" << refused_in_period(history) << "</td><td>"
         << (run ? moment(run->started) : "—")
         << (run && !run->host.empty() ? " <span class=\"host\">" + escaped(run->host) + "</span>"
                                       : "")
         << "</td><td>"
         << (run ? escaped(outcome_words(run->ended ? run->exit_code : std::nullopt)) : "—")
         << "</td><td class=\"health " << health.name << "\" data-health=\"" << health.name << "\">"
         << health.words << "</td></tr>";
  }
  html << "</table>";
  return html.str();
}

std::string refusals(const DestinationHistory& history) {
  if (history.refusals.empty()) return "";
  std::vector<std::pair<std::string, std::int64_t>> reasons(history.refusals.begin(),
                                                            history.refusals.end());
  std::stable_sort(reasons.begin(), reasons.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::ostringstream html;
  html << "<h4>" << texts::kReportRefusals << "</h4><table class=\"reasons\">";
  for (std::size_t at = 0; at < std::min(kReasonsShown, reasons.size()); ++at) {
    const auto& [reason, count] = reasons[at];
    html << "<tr><td class=\"number\" data-refusal=\"" << escaped(reason) << "\">" << count
         << "</td><td>" << escaped(reason.empty() ? "—" : reason) << "</td></tr>";
  }
  html << "</table>";
  if (reasons.size() > kReasonsShown) {
    std::int64_t links = 0;
    for (std::size_t at = kReasonsShown; at < reasons.size(); ++at)
      links += reasons[at].second;
    html << "<p class=\"more\">"
         << texts::filled(texts::kReportMoreReasons,
                          {{"count", std::to_string(reasons.size() - kReasonsShown)},
                           {"links", std::to_string(links)}})
         << "</p>";
  }
  return html.str();
}

std::string engine_card(const DestinationHistory& history, std::time_t now) {
  const LinkCounts& counts = history.counts;
  const std::time_t first_day = first_report_day(now);
  std::ostringstream html;
  html << "<div class=\"engine\" data-engine=\"" << escaped(history.engine) << "\"><h3>"
       << escaped(history.engine) << "</h3><p class=\"figures\" data-known=\"" << counts.known
       << "\" data-accepted-total=\"" << counts.accepted << "\" data-refused-total=\""
       << counts.refused << "\">"
       << texts::filled(texts::kReportFigures, {{"known", std::to_string(counts.known)},
                                                {"accepted", std::to_string(counts.accepted)},
                                                {"waiting", std::to_string(counts.waiting)},
                                                {"refused", std::to_string(counts.refused)}})
       << "</p><h4>" << texts::kReportAcceptedDaily << "</h4>"
       << bar_chart(history.accepted, first_day, "accepted", "#2a7") << "<h4>"
       << texts::kReportWaitingDaily << "</h4>"
       << bar_chart(history.waiting, first_day, "waiting", "#c82")
       << run_strip(history.runs, first_day);
  if (history.inspects) {
    html << "<h4>" << texts::kReportIndexedShare << "</h4>"
         << bar_chart(history.indexed_share, first_day, "indexed-share", "#37c") << "<h4>"
         << texts::kReportDaysToIndex << "</h4>" << days_to_index_chart(history.days_to_index);
  }
  if (history.quota && history.quota_given) {
    const QuotaDay& quota = *history.quota;
    const std::int64_t given = std::max<std::int64_t>(1, *history.quota_given);
    html << "<p class=\"quota-words\" data-quota-used=\"" << quota.used << "\" data-quota-given=\""
         << *history.quota_given << "\">"
         << texts::filled(texts::kReportQuota, {{"day", w3c_time(quota.day).substr(0, 10)},
                                                {"used", std::to_string(quota.used)},
                                                {"given", std::to_string(*history.quota_given)}})
         << "</p><div class=\"quota\"><div style=\"width:"
         << std::min<std::int64_t>(100, quota.used * 100 / given) << "%\"></div></div>";
  }
  html << refusals(history) << "</div>";
  return html.str();
}

constexpr const char* kStyle = R"css(
body { font-family: system-ui, "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Microsoft YaHei",
       sans-serif; margin: 2em; color: #111; font-size: 13px; }
h1 { font-size: 1.5em; margin: 0 0 0.2em; } h2 { font-size: 1.2em; margin: 0.6em 0 0.3em; }
h2 small { font-weight: normal; color: #555; margin-left: 0.5em; }
h3 { font-size: 1em; margin: 0 0 0.2em; } h4 { font-size: 0.85em; margin: 0.3em 0 0; color: #444; }
table { border-collapse: collapse; } td, th { padding: 0.1em 0.6em 0.1em 0; text-align: left; }
.summary td, .summary th { border-bottom: 1px solid #ddd; padding: 0.15em 0.6em; }
.summary td.site { vertical-align: top; border-right: 1px solid #ddd; }
.number { text-align: right; }
.health.good { color: #1a6; } .health.attention { color: #b70; }
.health.failing, .health.late { color: #c22; font-weight: bold; } .health.not-run { color: #777; }
section.site { break-inside: avoid; border-top: 1px solid #999; padding-top: 0.3em; }
.engines { display: grid; grid-template-columns: 1fr 1fr; gap: 0.6em 1.2em; }
.engine { break-inside: avoid; } .figures { margin: 0; font-size: 0.85em; }
svg { display: block; width: 100%; height: auto; font-size: 8px; fill: #333; }
svg .grid { stroke: #ddd; stroke-width: 0.5; } svg .axis { stroke: #666; stroke-width: 0.8; }
.quota-words { margin: 0.3em 0 0.1em; font-size: 0.85em; }
.quota { height: 6px; background: #ddd; } .quota div { height: 6px; background: #c33; }
.reasons { font-size: 0.8em; } .more { margin: 0; font-size: 0.8em; color: #555; }
@page { size: A4; margin: 12mm; }
@media print { body { margin: 0; font-size: 10px; } .summary { break-after: page; } }
)css";

}  // namespace

std::string html_report(std::vector<DestinationHistory> histories, std::time_t now) {
  // By site as people name them, each site's engines in the order they are pushed to.
  const auto engine_rank = [](const std::string& name) {
    const auto engines = every_engine();
    return std::find_if(engines.begin(), engines.end(),
                        [&](const EngineDescription* engine) { return engine->name == name; }) -
           engines.begin();
  };
  std::stable_sort(histories.begin(), histories.end(), [&](const auto& a, const auto& b) {
    if (site_title(a) != site_title(b)) return in_natural_order(site_title(a), site_title(b));
    return std::tuple(a.counts.site, engine_rank(a.engine)) <
           std::tuple(b.counts.site, engine_rank(b.engine));
  });
  std::ostringstream html;
  html << "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
       << "<title>" << texts::kReportTitle << "</title><style>" << kStyle
       << "</style></head><body><h1>" << texts::kReportHeading << "</h1><p>"
       << escaped(texts::filled(texts::kReportPeriod,
                                {{"now", w3c_time(now)}, {"days", std::to_string(kReportDays)}}))
       << "</p>" << summary(histories, now);
  for (auto site = histories.begin(); site != histories.end();) {
    const auto end = std::find_if(site, histories.end(), [&](const DestinationHistory& other) {
      return !same_site(other, *site);
    });
    html << "<section class=\"site\" data-site=\"" << escaped(site->counts.site) << "\"><h2>"
         << escaped(site_title(*site));
    if (site_title(*site) != site->counts.site)
      html << "<small>" << escaped(site->counts.site) << "</small>";
    html << "</h2><div class=\"engines\">";
    for (auto engine = site; engine != end; ++engine)
      html << engine_card(*engine, now);
    html << "</div></section>";
    site = end;
  }
  html << "</body></html>\n";
  return html.str();
}

}  // namespace lc::push
