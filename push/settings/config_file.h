#pragma once
// The config file of a run over several sites and engines (TOML): each site's sources and the
// engines it is pushed to, with their settings. Secrets come from the environment or from files
// the config names, never from its own text. Relative paths are taken from the config's folder.

#include <optional>
#include <string>
#include <vector>

#include "push/sources/link_sources.h"

namespace lc::push {

// One engine of one site, ready to push to.
struct EngineSettings {
  std::string engine;               // one of kEngineNames
  std::string address;              // push: the interface with its token; others: the endpoint
  std::string key;                  // indexnow's key, bing's API key
  std::string key_location;         // indexnow; empty: the key file at the site's root
  std::string site_url;             // bing; empty: the scheme and host of the site's first link
  std::string account;              // google: the service account's address (`key` its private key)
  std::string token_uri;            // google
  std::string key_id;               // google: its key's id, where given
  std::optional<long> daily_quota;  // google: publish calls a day, where granted more than 200
  std::size_t batch = 0;
};

struct SiteConfig {
  std::string name;
  SourceSettings sources;                // no pending file, no standard input
  bool deletions = false;                // links gone from every source are announced
  std::optional<double> deletion_limit;  // percent of the site's links a run may find gone
  std::vector<EngineSettings> engines;   // in the order of kEngineNames
};

struct Config {
  std::string state;  // empty: one record a destination in the state directory
  std::vector<SiteConfig> sites;
};

inline constexpr const char* kEngineNames[] = {"push", "indexnow", "google", "bing"};

// The config at `path` (UTF-8), or every mistake in it, each "PATH:LINE: KEY: problem". Warnings
// (a file that others can read) come either way.
struct ConfigReading {
  std::optional<Config> config;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
};
ConfigReading read_config(const std::string& path);

}  // namespace lc::push
