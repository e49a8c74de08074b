#pragma once
// The report's pictures, as inline SVG: a bar a day with its axes and gridlines, and a strip of
// each day's run outcome. Each bar and day carries its date and figure in data- attributes.

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "push/reports/report_history.h"

namespace lc::push {

// A bar for each of the period's days, from `first_day`; `figure` names the data- attribute.
std::string bar_chart(const std::array<std::int64_t, kReportDays>& values, std::time_t first_day,
                      const char* figure, const char* colour);

// A bar for each count of days a link took into the index: 0, 1, …, and that many or more.
std::string days_to_index_chart(const std::array<std::int64_t, kDaysToIndexShown>& links);

// A square for each day: ok, needing attention, failed, missed, or no run yet.
std::string run_strip(const std::array<DayOutcome, kReportDays>& days, std::time_t first_day);

}  // namespace lc::push
