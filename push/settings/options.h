#pragma once
// The push program's command line, read and checked there as far as each option alone can be;
// the settings of sites and engines are kept as given, for the plan to check with the config's.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "push/settings/plan.h"

namespace lc::push {

enum class Command { kPush, kStatus, kHistory, kReport, kSchedule, kServe, kMigrate };

struct Options {
  Command command = Command::kPush;
  RunSettings run;
  std::string site;      // empty: every site (IndexNow: the first link's); with a config, its name
  std::string config;    // the config file of a run over several sites and engines
  std::string engine;    // with a config: only this engine
  std::string protocol;  // without a config: the engine; empty: the push interface
  // The values of each option of a site's or an engine's setting, as given, in order.
  std::map<std::string, std::vector<std::string>, std::less<>> given;
  // status and history
  std::string since;  // a W3C date or time; empty: from the start
  bool csv = false;
  bool links = false;        // history: per link event rather than per run
  bool not_indexed = false;  // status: the links that stay out of an engine's index
  std::string html;          // report: the page to write
  // schedule: a daily time (HH:MM) to register, or the service at logon; or the task removed or
  // shown
  std::string daily;
  bool at_logon = false;
  bool remove_task = false;
  bool show_task = false;
  std::string listen;    // serve: where, before the config's [serve] listen
  std::string from, to;  // migrate: the record moved, and the empty one it moves into
};

// The options of `arguments` (UTF-8, the program's name first); or the exit code when the run
// ends here (--help and --version: 0, said by the parser; a usage error: 2, with the problem).
struct ParsedOptions {
  std::optional<Options> options;
  int exit_code = 0;
  std::string problem{};  // for standard error; empty where the parser said it
};
ParsedOptions parse_options(const std::vector<std::string>& arguments);

}  // namespace lc::push
