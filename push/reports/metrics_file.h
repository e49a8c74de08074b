#pragma once
// The run's figures in Prometheus's text format, for node_exporter's textfile collector: one
// gauge a figure, labelled by site and engine, written whole or not at all. A failed run keeps
// the time of the last success the file held.

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "push/reports/run_report.h"

namespace lc::push {

struct RunFigures {
  ReportLabels labels;
  RunTotals totals;
  double seconds = 0;  // how long it took
};

// Writes `runs`, as of `now`, to `path` (UTF-8); throws a Failure (the metrics file unwritten)
// where it cannot be written.
void write_metrics(const std::string& path, const std::vector<RunFigures>& runs, std::time_t now);

}  // namespace lc::push
