#pragma once
// What the record holds, per engine and site, in Prometheus's text format: the service's live
// /metrics, beside the run's metrics file of what each run came to.

#include <string>
#include <vector>

#include "push/reports/status_table.h"

namespace lc::push {

std::string status_metrics(const std::vector<StatusRow>& rows);

}  // namespace lc::push
