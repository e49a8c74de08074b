#include "push/commands/inspect_links.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "push/commands/minute_pace.h"
#include "push/commands/one_step_behind.h"
#include "push/engines/quota_day.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"
#include "push/texts/w3c_time.h"

namespace lc::push {
namespace {

constexpr std::time_t kHour = 3600;
constexpr std::time_t kDay = 24 * kHour;

// The inspections the day still allows; unbounded where neither the engine nor the settings
// limit them.
std::size_t left_today(const EngineSettings& engine, Record& record, std::time_t day) {
  const std::optional<long> daily = engine.inspection.daily
                                        ? engine.inspection.daily
                                        : engine.destination.engine->daily_inspections;
  if (!daily) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(std::max<std::int64_t>(0, *daily - record.inspections_on(day)));
}

}  // namespace

InspectionTotals inspect_due_links(const EngineSettings& engine, Record& record,
                                   RunReport& report) {
  InspectionTotals totals;
  const EngineDescription& description = *engine.destination.engine;
  if (!engine.inspection.enabled || !description.make_inspector) return totals;
  const std::time_t now = seconds_now();
  const std::time_t day = quota_day(description.days, now);
  const std::size_t allowed = left_today(engine, record, day);
  const bool limited = allowed != std::numeric_limits<std::size_t>::max();
  if (limited) totals.left_today = static_cast<std::int64_t>(allowed);
  const std::vector<std::string> due =
      record.links_to_inspect({.accepted_before = now - engine.inspection.after_hours * kHour,
                               .not_indexed_before = now - engine.inspection.reinspect_days * kDay,
                               .removals = description.hears_of_removals},
                              allowed);
  if (due.empty()) {
    report.inform(allowed == 0 ? texts::kInspectionQuota : texts::kNothingDue);
    return totals;
  }
  const std::unique_ptr<Inspector> inspector =
      description.make_inspector(engine.destination, engine.inspection);
  MinutePace pace(description.inspections_a_minute);
  // The answers are kept while the next requests are on their way, as many at once as came
  // while the keeping before went on: a kill loses at most those and the request in flight,
  // which the next run asks again.
  OneStepBehind keeping;
  std::vector<InspectedLink> unkept;
  const auto keep = [&] {
    keeping.run([&record, links = std::exchange(unkept, {}), day] {
      record.record_inspections(links, day);
    });
  };
  for (const std::string& link : due) {
    pace.wait();
    const InspectionOutcome outcome = inspector->inspect(link);
    if (outcome.kind == InspectionOutcome::Kind::kInspected) {
      unkept.push_back({link, outcome.inspection});
      if (keeping.idle()) keep();
      ++totals.inspected;
      if (totals.left_today) --*totals.left_today;
      if (outcome.inspection.indexed) ++totals.indexed;
    } else if (outcome.kind == InspectionOutcome::Kind::kLeft) {
      report.note(outcome.words + "：" + link);
      ++totals.left;
    } else {
      // A day's inspections spent is the engine's normal limit; anything else wants a person.
      if (outcome.for_quota) {
        report.inform(outcome.words);
      } else {
        report.note(outcome.words);
        totals.exit_code = kNeedsAttention;
      }
      break;
    }
  }
  if (!unkept.empty()) keep();
  keeping.wait();
  report.inform(texts::filled(texts::kInspectionSummary,
                              {{"inspected", std::to_string(totals.inspected)},
                               {"indexed", std::to_string(totals.indexed)},
                               {"not_indexed", std::to_string(totals.inspected - totals.indexed)},
                               {"waiting", std::to_string(due.size() - totals.inspected)}}));
  return totals;
}

}  // namespace lc::push
