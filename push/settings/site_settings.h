#pragma once
// A site's settings, as the command line and the config file both know them: where its links
// come from and what becomes of links gone from them.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "push/engines/setting.h"
#include "push/settings/plan.h"

namespace lc::push {

std::span<const Setting<SitePlan>> site_settings();

// A site before any setting is given.
SitePlan new_site();

// How a setting is named where its value was given: its key, with where in the config it
// stands, or its option.
using Spelling = std::function<std::string(std::string_view key, std::string_view option)>;

// Settles what only settings together say (a sitemap's content check, a folder with its
// address); the problems, each "SUBJECT: REASON" as `spelled`.
std::vector<std::string> finish_site(SitePlan& site, const Spelling& spelled);

}  // namespace lc::push
