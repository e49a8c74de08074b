#pragma once
// What the report shows of each destination and site over the last 30 days, gathered from the
// record: links accepted each day, the backlog at each day's end, each day's runs, the refusals
// by reason and the last run.

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "push/record/record.h"

namespace lc::push {

inline constexpr std::size_t kReportDays = 30;
// Links found indexed after 0, 1, … days; the last counts that many days or more.
inline constexpr std::size_t kDaysToIndexShown = 15;

// What a day's runs came to, the gravest of them; a day without a run after runs began is missed.
enum class DayOutcome { kNoRun, kMissed, kOk, kAttention, kFailed };

struct DestinationHistory {
  LinkCounts counts;
  std::string engine;
  std::string site_name;            // the config's, as the last run kept it
  std::optional<QuotaDay> quota;    // the engine's day now, where it has a daily quota
  std::optional<long> quota_given;  // that day's whole quota
  std::array<std::int64_t, kReportDays> accepted{};  // a day each, the oldest first
  std::array<std::int64_t, kReportDays> waiting{};   // at each day's end
  std::array<DayOutcome, kReportDays> runs{};
  std::map<std::string, std::int64_t> refusals;  // of links refused in the period, by reason
  std::optional<RunEntry> last_run;
  // Where the destination inspects: of the links accepted by each day's end, the share found
  // indexed by then, in percent; and the links found indexed by the days it took.
  bool inspects = false;
  std::array<std::int64_t, kReportDays> indexed_share{};
  std::array<std::int64_t, kDaysToIndexShown> days_to_index{};
};

// The day of `time`, as the report counts days (UTC), as its first second.
std::time_t report_day(std::time_t time);
// The first of the report's days.
std::time_t first_report_day(std::time_t now);

// Adds the record's link events of the period to `histories` (keyed by destination and site):
// accepted per day, refusals, and the backlog walked back from today's.
void add_events(std::vector<DestinationHistory>& histories, Record& record, std::time_t now);
// Adds what the record knows of the inspected links' way into the index.
void add_index_times(std::vector<DestinationHistory>& histories, Record& record, std::time_t now);
// Adds the record's runs: each day's outcome, the last run and the site's name.
void add_runs(std::vector<DestinationHistory>& histories, Record& record, std::time_t now);

}  // namespace lc::push
