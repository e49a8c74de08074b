#pragma once
// The record as one page to look at: per site and engine, the links accepted each day of the
// last 30, the waiting backlog over those days, the quota used against the quota given, the
// refusals by reason and the last run's outcome. Self-contained (inline CSS and SVG, no script,
// nothing fetched), UTF-8, fit for A4; each figure also stands in a data- attribute.

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "push/record/record.h"

namespace lc::push {

inline constexpr std::size_t kReportDays = 30;

struct DestinationHistory {
  LinkCounts counts;
  std::string engine;
  std::array<std::int64_t, kReportDays> accepted{};  // a day each, the oldest first
  std::array<std::int64_t, kReportDays> waiting{};   // at each day's end
  std::map<std::string, std::int64_t> refusals;      // by the answer's words
};

// The day of `time`, as the report counts days (UTC), as its first second.
std::time_t report_day(std::time_t time);

// Adds the record's events of the last days to `histories` (keyed by destination and site):
// accepted per day, and the backlog walked back from today's.
void add_events(std::vector<DestinationHistory>& histories, Record& record, std::time_t now);

std::string html_report(const std::vector<DestinationHistory>& histories, std::time_t now);

}  // namespace lc::push
