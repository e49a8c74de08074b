#pragma once
// The push program's own action: every source taken into the record, then what waits sent in
// batches, each answer recorded before the next request.

#include <functional>
#include <optional>

#include "push/link_sources.h"
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

}  // namespace lc::push
