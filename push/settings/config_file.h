#pragma once
// The config file of a run over several sites and engines (TOML): each site's settings and the
// engines it is pushed to, with theirs, by the same declarations as the command line's options.
// Secrets come from the environment or from files the config names, never from its own text.
// Relative paths are taken from the config's folder.

#include <optional>
#include <string>
#include <vector>

#include "push/settings/plan.h"
#include "push/settings/serve_settings.h"

namespace lc::push {

struct Config {
  std::string state;                   // empty: one record a destination in the state directory
  std::optional<ServeSettings> serve;  // where the config has a [serve] table
  std::vector<SitePlan> sites;
};

// The config at `path` (UTF-8), or every mistake in it, each "PATH:LINE: KEY: problem". Warnings
// (a file that others can read) come either way.
struct ConfigReading {
  std::optional<Config> config;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};
ConfigReading read_config(const std::string& path);

}  // namespace lc::push
