#pragma once
// The push program's own action: every source taken into the record, then what waits sent in
// batches, each answer recorded before the next request.

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "push/link_sources.h"
#include "push/metrics_file.h"
#include "push/options.h"
#include "push/run_report.h"

namespace lc::push {

// Hands each source's links to `each`; the failure of a source that could not be read.
using LinkFeed =
    std::function<std::optional<SourceFailure>(const std::function<void(const LinkList&)>& each)>;

// Pushes the links of the sources `options` names; returns the exit code.
int push_links(const Options& options);
// Pushes the links `feed` gives to the destination `options` names; `labels` mark its JSON
// objects. Returns the run's totals, with its exit code.
RunTotals push_links(const Options& options, const LinkFeed& feed, const ReportLabels& labels = {});

double seconds_since(std::chrono::steady_clock::time_point start);

// Writes the figures of `runs` where --metrics names a file; the exit code, made 4 when the file
// cannot be written.
int kept_metrics(const Options& options, const std::vector<RunFigures>& runs, int exit_code);

}  // namespace lc::push
