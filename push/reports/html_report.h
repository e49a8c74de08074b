#pragma once
// The record as one page to look at: a summary first (per site and engine: accepted in the last
// 30 days, waiting, refused, the last run and its outcome, health), then a section per site with
// its engines side by side, each with the links accepted a day, the backlog at each day's end,
// each day's runs, the quota where the engine has one, and the refusals by reason.
// Self-contained (inline CSS and SVG, no script, nothing fetched), UTF-8, fit for A4; each figure
// also stands in a data- attribute.

#include <ctime>
#include <string>
#include <vector>

#include "push/reports/report_history.h"

namespace lc::push {

std::string html_report(std::vector<DestinationHistory> histories, std::time_t now);

}  // namespace lc::push
