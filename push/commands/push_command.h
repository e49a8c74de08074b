#pragma once
// The push program's own action: every source taken into the record, then what waits sent in
// batches, each answer recorded before the next request.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "push/reports/metrics_file.h"
#include "push/reports/run_report.h"
#include "push/settings/plan.h"
#include "push/sources/link_sources.h"

namespace lc::push {

// Hands each source's links to `each`; throws the Failure of a source that could not be read.
using LinkFeed = std::function<void(const std::function<void(const LinkList&)>& each)>;

// Pushes the links of the one site of `plan` to its one engine; returns the exit code.
int push_links(const Plan& plan);
// Pushes the links `feed` gives to `engine` of `site`, and hands over the sitemaps whose digests
// the feed left in `sitemaps`; `labels` mark its JSON objects, and name the site where it is one
// of several. Returns the run's totals, with its exit code.
RunTotals push_links(const RunSettings& run, const SitePlan& site, const EngineSettings& engine,
                     const LinkFeed& feed, const SitemapDigests& sitemaps,
                     const ReportLabels& labels = {});

// Sends what waits in the record for `engine` of `site` (its host known), as a service's flush:
// nothing said where nothing waits, no request sent once `stop` is set.
RunTotals push_waiting(const RunSettings& run, const SitePlan& site, const EngineSettings& engine,
                       const ReportLabels& labels, const std::atomic<bool>& stop);

// The record of the destination `name` (a file, or kRecordInMemory where the run keeps none).
std::string record_path(const RunSettings& run, const Destination& destination,
                        std::string_view name);

// Where a content check keeps the validators of the pages it fetched: beside the record, one
// file for every destination.
std::unique_ptr<PageValidatorStore> page_validators(const RunSettings& run);

// What only informs (a content check's figures), a line each: with the report, so that --quiet
// drops it; beside it on standard error with --json, whose standard output is JSON alone.
Notes informing(const RunSettings& run);

double seconds_since(std::chrono::steady_clock::time_point start);

// Writes the figures of `runs` where --metrics names a file; the exit code, made 4 when the file
// cannot be written.
int kept_metrics(const RunSettings& run, const std::vector<RunFigures>& runs, int exit_code);

}  // namespace lc::push
