#include "push/reports/report_history.h"

#include <algorithm>

#include "push/texts/exit_codes.h"

namespace lc::push {
namespace {

constexpr std::time_t kDay = 86400;

DayOutcome outcome_of(const RunEntry& run) {
  if (!run.ended || !run.exit_code) return DayOutcome::kFailed;  // killed, or going still
  return *run.exit_code == kAllAccepted      ? DayOutcome::kOk
         : *run.exit_code == kNeedsAttention ? DayOutcome::kAttention
                                             : DayOutcome::kFailed;
}

// The day of the period `time` falls on; none outside it.
std::optional<std::size_t> day_in_period(std::time_t time, std::time_t now) {
  const std::time_t first = first_report_day(now);
  if (time < first) return std::nullopt;
  const auto day = static_cast<std::size_t>((report_day(time) - first) / kDay);
  return day < kReportDays ? std::optional(day) : std::nullopt;
}

}  // namespace

std::time_t report_day(std::time_t time) {
  return time - time % kDay;
}

std::time_t first_report_day(std::time_t now) {
  return report_day(now) - std::time_t(kReportDays - 1) * kDay;
}

void add_events(std::vector<DestinationHistory>& histories, Record& record, std::time_t now) {
  for (DestinationHistory& history : histories)
    history.waiting.fill(history.counts.waiting);
  record.for_each_event(first_report_day(now), "", [&](const LinkEvent& event) {
    const auto found = std::find_if(histories.begin(), histories.end(), [&](const auto& history) {
      return history.counts.destination == event.destination && history.counts.site == event.site;
    });
    const std::optional<std::size_t> day = day_in_period(event.time, now);
    if (found == histories.end() || !day) return;
    if (event.event == "accepted") ++found->accepted[*day];
    if (event.event == "refused") ++found->refusals[event.detail];
    // Walked back from today's backlog: before a link was seen it did not wait; before it was
    // accepted or refused, it did.
    const int change = event.event == "seen"                                   ? -1
                       : event.event == "accepted" || event.event == "refused" ? 1
                                                                               : 0;
    for (std::size_t before = 0; before < *day; ++before)
      found->waiting[before] += change;
  });
}

void add_index_times(std::vector<DestinationHistory>& histories, Record& record, std::time_t now) {
  struct Tally {
    std::array<std::int64_t, kReportDays> accepted{}, indexed{};  // by each day's end
  };
  std::map<DestinationHistory*, Tally> tallies;
  const std::time_t first_day = first_report_day(now);
  // A day of the period, or the first for a time before it; none for one after it.
  const auto day_of = [&](std::time_t time) -> std::optional<std::size_t> {
    if (time < first_day) return 0;
    return day_in_period(time, now);
  };
  record.for_each_index_times([&](const IndexTimes& times) {
    const auto found = std::find_if(histories.begin(), histories.end(), [&](const auto& history) {
      return history.counts.destination == times.destination && history.counts.site == times.site;
    });
    if (found == histories.end()) return;
    found->inspects = true;
    Tally& tally = tallies[&*found];
    if (const std::optional<std::size_t> day = day_of(times.first_accepted)) ++tally.accepted[*day];
    if (!times.first_indexed || *times.first_indexed < times.first_accepted) return;
    if (const std::optional<std::size_t> day = day_of(*times.first_indexed)) ++tally.indexed[*day];
    const auto days =
        static_cast<std::size_t>((*times.first_indexed - times.first_accepted) / kDay);
    ++found->days_to_index[std::min(days, kDaysToIndexShown - 1)];
  });
  for (auto& [history, tally] : tallies) {
    std::int64_t accepted = 0, indexed = 0;
    for (std::size_t day = 0; day < kReportDays; ++day) {
      accepted += tally.accepted[day];
      indexed += tally.indexed[day];
      history->indexed_share[day] = accepted == 0 ? 0 : indexed * 100 / accepted;
    }
  }
}

void add_runs(std::vector<DestinationHistory>& histories, Record& record, std::time_t now) {
  // Runs before the period only tell whether its first days were missed.
  std::map<const DestinationHistory*, bool> ran_before;
  record.for_each_run(0, "", [&](const RunEntry& run) {
    for (DestinationHistory& history : histories) {
      // Runs kept before runs knew their site stand for every site of the destination.
      if (history.counts.destination != run.destination ||
          (!run.site.empty() && run.site != history.counts.site)) {
        continue;
      }
      history.last_run = run;
      if (!run.site_name.empty()) history.site_name = run.site_name;
      const std::optional<std::size_t> day = day_in_period(run.started, now);
      if (!day) {
        ran_before[&history] = true;
        continue;
      }
      history.runs[*day] = std::max(history.runs[*day], outcome_of(run));
    }
  });
  // Today's run may be still to come.
  for (DestinationHistory& history : histories) {
    bool began = ran_before[&history];
    for (std::size_t day = 0; day + 1 < kReportDays; ++day) {
      began = began || history.runs[day] != DayOutcome::kNoRun;
      if (began && history.runs[day] == DayOutcome::kNoRun) history.runs[day] = DayOutcome::kMissed;
    }
  }
}

}  // namespace lc::push
