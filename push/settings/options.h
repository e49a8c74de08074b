#pragma once
// The push program's options, read from its command line and checked there, with the settings
// that follow from several options at once settled in one place.

#include <optional>
#include <string>
#include <vector>

#include "push/engines/engine.h"
#include "push/sources/link_sources.h"

namespace lc::push {

// The percentage of a site's known links a run may find gone before it asks for confirmation.
inline constexpr double kDefaultDeletionLimit = 20;

enum class Command { kPush, kStatus, kHistory, kReport, kSchedule };

struct Options {
  Command command = Command::kPush;
  SourceSettings sources;
  std::string state;              // empty: the destination's record in the state directory
  bool no_state = false;          // keep no record
  double wait_seconds = 0;        // for another run over the record to end
  double max_wait_seconds = 600;  // the run's total wait for engines that ask to wait
  std::string site;    // empty: every site (IndexNow: the first link's); with a config, its name
  std::string config;  // the config file of a run over several sites and engines
  std::string engine;  // with a config: only this engine
  std::string service_account;  // google's key file
  Destination destination;
  std::size_t batch = 2000;
  std::string metrics;  // the file the run's figures go to, for monitoring; empty: none
  bool again = false;
  bool deletions = false;          // announce accepted links that no source has any more
  bool confirm_deletions = false;  // even past the limit
  // Percent of a site's known links a run may find gone; empty: the config's, else 20.
  std::optional<double> deletion_limit;
  bool dry_run = false;
  bool quiet = false;
  bool json = false;
  // status and history
  std::string since;  // a W3C date or time; empty: from the start
  bool csv = false;
  std::string html;  // report: the page to write
  // schedule: a daily time (HH:MM) to register, or the task removed or shown
  std::string daily;
  bool remove_task = false;
  bool show_task = false;

  // The progress bar shows only where someone watches: a terminal, for more than one request.
  bool shows_progress(std::size_t links) const;
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
