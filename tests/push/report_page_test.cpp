// The report of many sites as a browser draws and prints it: 12 sites of 4 engines over 30 days.
#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <regex>
#include <string>
#include <vector>

#include "push/engines/engine_registry.h"
#include "push/reports/html_report.h"
#include "push/texts/w3c_time.h"
#include "tests/push/push_fixture.h"

namespace lc::test {
namespace {

using push::DayOutcome;
using push::DestinationHistory;
using push::kReportDays;

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

// A month of a site's nights on one engine, its figures made from its numbers: now and then a
// night missed or failed, refusals for a few reasons, each one long.
DestinationHistory history_of(int site, const push::EngineDescription& engine, std::time_t now) {
  DestinationHistory history;
  history.engine = engine.name;
  history.counts.destination = std::string(engine.name) + " site" + std::to_string(site);
  history.counts.site = "site" + std::to_string(site) + ".example.com";
  history.site_name = "站点 " + std::to_string(site);
  history.counts.waiting = site * 10;
  for (std::size_t day = 0; day < kReportDays; ++day) {
    history.accepted[day] = static_cast<std::int64_t>((site * 7 + day * 13) % 50) * 20;
    history.waiting[day] = static_cast<std::int64_t>((day * 31 + site) % 90) * 100;
    history.runs[day] = day % 9 == 3    ? DayOutcome::kMissed
                        : day % 11 == 5 ? DayOutcome::kFailed
                                        : DayOutcome::kOk;
  }
  history.counts.accepted = std::accumulate(history.accepted.begin(), history.accepted.end(), 0);
  for (int reason = 0; reason < 6; ++reason)
    history.refusals["不属于该站点的链接，或链接的格式不对：第 " + std::to_string(reason) + " 种"] =
        reason + 1;
  if (engine.daily_quota || engine.name != "indexnow") {
    history.quota = push::QuotaDay{.day = push::report_day(now), .used = 150, .left = 50};
    history.quota_given = 200;
  }
  history.last_run = push::RunEntry{.started = now - 3600,
                                    .ended = now - 3500,
                                    .destination = history.counts.destination,
                                    .site = history.counts.site,
                                    .site_name = history.site_name,
                                    .host = "web1",
                                    .exit_code = site % 5 == 0 ? 1 : 0,
                                    .counts = std::nullopt,
                                    .setbacks = {}};
  return history;
}

using ReportPageTest = PushProgramTest;

TEST_F(ReportPageTest, TwelveSitesOfFourEnginesPrintOnFourteenPagesAtMost) {
  const std::time_t now = *push::parse_w3c_time("2026-12-08T12:00:00Z");
  std::vector<DestinationHistory> histories;
  for (int site = 11; site >= 0; --site) {  // the record's order is not the page's
    for (const push::EngineDescription* engine : push::every_engine())
      histories.push_back(history_of(site, *engine, now));
  }
  ASSERT_EQ(histories.size(), 48u);
  const std::string page = write("报告.html", push::html_report(histories, now));
  const std::string browser = "chromium --headless --no-sandbox --disable-gpu ";
  shell(browser + "--no-pdf-header-footer --print-to-pdf=" + files_.file("report.pdf") +
        " 'file://" + page + "' >/dev/null 2>&1");
  const Outcome info = shell("pdfinfo " + files_.file("report.pdf"));
  std::smatch pages;
  ASSERT_TRUE(std::regex_search(info.output, pages, std::regex("Pages: +([0-9]+)"))) << info.output;
  EXPECT_LE(std::stoi(pages[1]), 14);

  const std::string dom = shell(browser + "--dump-dom 'file://" + page + "' 2>/dev/null").output;
  // The summary first, a row a site and engine with its figures; then a section a site, in order.
  EXPECT_LT(dom.find("class=\"summary\""), dom.find("<section"));
  EXPECT_EQ(occurrences(dom, "data-accepted-30="), 48u);
  for (const DestinationHistory& history : histories) {
    const auto accepted = std::accumulate(history.accepted.begin(), history.accepted.end(), 0);
    EXPECT_NE(dom.find("<tr data-site=\"" + history.counts.site + "\" data-engine=\"" +
                       history.engine + "\">"),
              std::string::npos);
    EXPECT_NE(dom.find("<td>" + history.engine + "</td><td class=\"number\" data-accepted-30=\"" +
                       std::to_string(accepted) + "\""),
              std::string::npos)
        << history.counts.site << " " << history.engine;
  }
  // Each site's name once, beside its four engines; sites as people count them.
  EXPECT_EQ(occurrences(dom, "<td class=\"site\" rowspan=\"4\">"), 12u);
  EXPECT_LT(dom.find("<h2>站点 2<small>site2.example.com"), dom.find("<h2>站点 10<small>"));
  EXPECT_EQ(occurrences(dom, "<section class=\"site\""), 12u);
  EXPECT_EQ(occurrences(dom, "data-health=\"attention\""), 3u * 4);  // sites 0, 5 and 10
  // No quota where an engine has none; run outcomes as the nights were; every axis drawn.
  EXPECT_EQ(occurrences(dom, "data-quota-used="), 36u);
  EXPECT_EQ(occurrences(dom, "data-run=\"missed\""), 48u * 3);
  EXPECT_EQ(occurrences(dom, "data-run=\"failed\""), 48u * 3);
  EXPECT_EQ(occurrences(dom, "class=\"axis\""), 96u);
  EXPECT_EQ(occurrences(dom, "另有 2 种原因，共 3 条"), 48u);
}

}  // namespace
}  // namespace lc::test
