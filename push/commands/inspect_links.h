#pragma once
// A destination's links that are due, inspected one by one within the engine's limits (a day's
// inspections, and a minute's, spread over the minute), each answer kept before the next request.
// The links a run does not come to wait for the next; nothing is retried blindly.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "push/engines/engine_registry.h"
#include "push/record/record.h"
#include "push/reports/run_report.h"

namespace lc::push {

struct InspectionTotals {
  std::size_t inspected = 0, indexed = 0, left = 0;
  std::optional<std::int64_t> left_today;  // inspections the day still allows; none: no limit
  int exit_code = 0;
};

// Inspects where the engine's settings ask for it; nothing otherwise.
InspectionTotals inspect_due_links(const EngineSettings& engine, Record& record, RunReport& report);

}  // namespace lc::push
