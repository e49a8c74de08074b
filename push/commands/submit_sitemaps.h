#pragma once
// A site's sitemaps handed to an engine that takes them, where its settings ask for it: each one
// new to the record, or whose content changed since it was last handed over; then what the engine
// tells of each, kept in the record and said.

#include <string_view>

#include "push/engines/engine_registry.h"
#include "push/record/record.h"
#include "push/reports/run_report.h"
#include "push/sources/sitemap_source.h"

namespace lc::push {

// The site is named to the engine as `site_url` (a URL prefix, or Google's sc-domain: form).
// Gives the exit code of what it met: a refusal or a sitemap with errors wants a person.
int submit_sitemaps(const EngineSettings& engine, const SitemapDigests& sitemaps,
                    std::string_view site_url, Record& record, RunReport& report);

}  // namespace lc::push
