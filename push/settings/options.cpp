#include "push/settings/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "platform/standard_streams.h"
#include "platform/utf8_files.h"
#include "push/engines/bing.h"
#include "push/engines/client.h"
#include "push/engines/google.h"
#include "push/engines/indexnow.h"
#include "push/sources/link_list.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

// Where a scheduled job keeps the address with its token, out of the command line.
constexpr const char* kInterfaceVariable = "LINKCOURIER_INTERFACE";

constexpr const char* kDescription =
    "Pushes page links to a search engine's link-push interface, in batches within its quota; "
    "links not yet accepted are kept for the next run.\n"
    "Exit codes: 0 every link accepted, or the rest waits only for the engine's next day; 1 "
    "links refused or something else that wants a person; 2 usage or input error (nothing "
    "sent), 3 the interface could not be reached, 4 the pending or metrics file could not be "
    "written, 5 another run holds the record, 6 the record cannot be used, 7 an engine asked to "
    "wait longer than --max-wait.";

// Every engine's name, as the registry has them.
std::vector<std::string> engine_names() {
  std::vector<std::string> names;
  for (const EngineDescription* engine : every_engine())
    names.emplace_back(engine->name);
  return names;
}

// What the command line spells one way and the options hold in another once parsed.
struct Spelled {
  std::string protocol = "push";
  std::string changed_by = "lastmod";
  ContentCheck check;
};

// Where the links come from.
void add_source_options(CLI::App& cli, SourceSettings& sources, Spelled& spelled) {
  std::string& changed_by = spelled.changed_by;
  ContentCheck& check = spelled.check;
  cli.add_option("FILE", sources.files,
                 "files of links, one a line; - is standard input, which is also read when "
                 "neither files nor sitemaps are named");
  cli.add_option("--sitemap", sources.sitemaps,
                 "the page links of a sitemap or sitemap index, by address or file (.xml or "
                 ".xml.gz, at most 50 MB unpacked; an index is followed to its sitemaps); "
                 "repeatable");
  cli.add_option("--folder", sources.folder.folder,
                 "the pages of a site's folder (.html and .htm files): each one new or changed "
                 "since it was accepted is sent");
  cli.add_option("--base", sources.folder.base, "the address the folder is published at");
  cli.add_option("--extension", sources.folder.extensions,
                 "the endings of the folder's page files (default .html and .htm)");
  cli.add_option("--ignore-content", sources.ignore_content,
                 "a regular expression: what it matches in a page (a build's time stamp) is "
                 "not taken as a change");
  cli.add_option("--changed-by", changed_by,
                 "what tells that a sitemap's page changed: lastmod (its <lastmod>, the "
                 "default) or content (the page fetched with a conditional GET and hashed)")
      ->check(CLI::IsMember({"lastmod", "content"}));
  cli.add_option("--fetch-concurrency", check.concurrency,
                 "with --changed-by content: requests at once (default 4)")
      ->check(CLI::Range(std::size_t{1}, std::size_t{64}));
  cli.add_option("--fetch-budget", check.budget,
                 "with --changed-by content: pages fetched a run at the most (default 10000)")
      ->check(CLI::Range(std::size_t{1}, std::size_t{10'000'000}));
  cli.add_option("--pending", sources.pending,
                 "links not yet accepted are kept here; a later run sends them first");
}

// Where the links go, and how.
void add_destination_options(CLI::App& cli, Options& options, Spelled& spelled) {
  std::string& protocol = spelled.protocol;
  Destination& destination = options.destination;
  cli.add_option("-i,--interface", destination.interface,
                 "the push interface's address (else " + std::string(kInterfaceVariable) + ")");
  cli.add_option("--batch", options.batch, "links in one request at the most")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t{1}, std::size_t{1'000'000}));
  cli.add_option("--protocol", protocol,
                 "push: the window's request and answer; indexnow: POST application/json "
                 "{host, key, keyLocation, urlList}; google: the Indexing API with "
                 "--service-account; bing: the URL Submission API with --key (-i: the "
                 "engine's endpoint, by default the public one)")
      ->capture_default_str()
      ->check(CLI::IsMember(engine_names()));
  cli.add_option("--service-account", options.service_account,
                 "for google: the service account's JSON key file");
  cli.add_option("--daily-quota", destination.daily_quota,
                 "for google: the publish calls a day the project is granted (default 200)")
      ->check(CLI::Range(1L, kMostDailyQuota));
  cli.add_option("--key", destination.key, "the IndexNow key, or Bing's API key");
  cli.add_option("--key-location", destination.key_location,
                 "where the IndexNow key file stands, when not at the site's root");
  cli.add_option("--site-url", destination.site_url,
                 "Bing's name for the site (default: the scheme and host of its first link)");
  cli.add_option("--timeout", destination.timeout_seconds,
                 "seconds a request may stay silent (default 30)")
      ->check(CLI::Range(1, 3600));
}

// How the run goes, and what it tells.
void add_run_options(CLI::App& cli, Options& options) {
  cli.add_option("--state", options.state,
                 "the record (SQLite): every link with its state; a later run sends only what "
                 "waits, and what a sitemap's <lastmod> says changed (default: one record a "
                 "destination in the system's state directory)");
  cli.add_flag("--no-state", options.no_state, "keep no record");
  cli.add_option("--wait", options.wait_seconds,
                 "seconds to wait for another run over the same record to end (default: none)")
      ->check(CLI::Range(0.0, 86400.0));
  cli.add_option("--max-wait", options.max_wait_seconds,
                 "seconds the run may wait in all for engines that ask it to (Retry-After) and "
                 "for retries after failures that may pass")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 86400.0));
  cli.add_flag("--again", options.again, "send links even when the record has them as accepted");
  cli.add_option("--metrics", options.metrics,
                 "write the run's figures to this file in Prometheus's text format (for "
                 "node_exporter's textfile collector), whole or not at all");
  cli.add_flag("--deletions", options.deletions,
               "announce accepted links that no source holds any more as removed, where the "
               "engine has a way (Google, IndexNow); the record keeps them as removed");
  cli.add_flag("--confirm-deletions", options.confirm_deletions,
               "announce them even when more than the limit of a site's links are gone");
  cli.add_option("--deletion-limit", options.deletion_limit,
                 "the percentage of a site's links a run may find gone (default 20)")
      ->check(CLI::Range(0.0, 100.0));
  cli.add_option("--site", options.site,
                 "send only links of this host; the others are listed (with --config: only the "
                 "site of this name)");
  cli.add_option("--config", options.config,
                 "push every site of this config file (TOML) to every engine it names; sources, "
                 "engines and secrets come from the file");
  cli.add_option("--engine", options.engine, "with --config: push to this engine only")
      ->check(CLI::IsMember(engine_names()));
  cli.add_flag("--dry-run", options.dry_run, "read, clean and batch the links; send nothing");
  cli.add_flag("--json", options.json,
               "one JSON object per request on standard output, then one for the run");
  cli.add_flag("-q,--quiet", options.quiet, "no report of each request");
}

void add_options(CLI::App& cli, Options& options, Spelled& spelled) {
  // The same options on both systems: a file named /like/this is a file on Windows too.
  cli.allow_windows_style_options(false);
  cli.set_version_flag("--version", LINKCOURIER_VERSION);
  add_source_options(cli, options.sources, spelled);
  add_destination_options(cli, options, spelled);
  add_run_options(cli, options);
}

// The destination of a run without a config file.
std::optional<std::string> settle_destination(Options& options, bool batch_given) {
  Destination& destination = options.destination;
  if (destination.interface.empty())
    destination.interface = platform::utf8_environment(kInterfaceVariable).value_or("");
  const EngineDescription& engine = describe(destination.engine);
  if (destination.interface.empty()) destination.interface = engine.default_endpoint;
  if (destination.engine == EngineKind::kGoogle) {
    std::string reason;
    const std::optional<ServiceAccount> account =
        read_service_account(options.service_account, reason);
    if (!account) return texts::about("--service-account", reason);
    destination.key = account->private_key;
    destination.account = account->client_email;
    destination.token_uri = account->token_uri;
    destination.key_id = account->private_key_id;
  }
  if (destination.engine == EngineKind::kIndexNow) {
    if (!is_indexnow_key(destination.key)) return texts::about("--key", texts::kIndexNowKeyForm);
  }
  if (destination.engine == EngineKind::kBing && destination.key.empty())
    return texts::about("--key", texts::kNoApiKey);
  // The engine's own batch, or one asked for within its cap.
  options.batch = batch_given ? std::min(options.batch, engine.largest_batch) : engine.usual_batch;
  if (destination.interface.empty()) {
    if (!options.dry_run) return std::string(texts::kNoInterface);
  } else if (!is_sendable_address(destination.interface)) {
    return texts::about("--interface", texts::kBadInterface);
  }
  return std::nullopt;
}

// Options that a config file gives for each site and engine instead.
constexpr const char* kGivenByConfig[] = {
    "--site-url",     "--service-account",   "FILE",
    "--sitemap",      "--interface",         "--batch",
    "--pending",      "--protocol",          "--key",
    "--key-location", "--daily-quota",       "--folder",
    "--base",         "--extension",         "--ignore-content",
    "--changed-by",   "--fetch-concurrency", "--fetch-budget"};

// Checks what no single option can; the message when the options do not fit together.
std::optional<std::string> settle(Options& options, const CLI::App& cli) {
  if (!options.config.empty()) {
    for (const char* option : kGivenByConfig) {
      if (cli.count(option) > 0) return texts::about(option, texts::kConfigExcludes);
    }
  } else if (!options.engine.empty()) {
    return texts::about("--engine", texts::kEngineWithoutConfig);
  }
  if (options.no_state && !options.state.empty())
    return texts::about("--no-state", texts::kNoStateWithState);
  if (!options.sources.folder.folder.empty() && options.sources.folder.base.empty())
    return texts::about("--folder", texts::kFolderWithoutBase);
  return options.config.empty() ? settle_destination(options, cli.count("--batch") > 0)
                                : std::nullopt;
}

}  // namespace

bool Options::shows_progress(std::size_t links) const {
  return !quiet && !json && platform::is_terminal(stderr) && links > batch;
}

// `status` and `history` ask the record; pushing stays the program's own action.
void add_queries(CLI::App& cli, Options& options) {
  CLI::App* status = cli.add_subcommand(
      "status",
      "per site and destination: links known, accepted, waiting, refused, the quota "
      "left and the last run");
  CLI::App* history = cli.add_subcommand("history", "one line per link event");
  for (CLI::App* query : {status, history}) {
    query->add_option("--state", options.state,
                      "the record (default: every record in the system's state directory)");
    query->add_flag("--json", options.json, "JSON instead of text");
  }
  history->add_option("--since", options.since, "events from this W3C date or time on");
  history->add_option("--site", options.site, "events of this host only");
  history->add_flag("--csv", options.csv, "comma-separated values with a heading line");
  CLI::App* report = cli.add_subcommand(
      "report",
      "one page to look at, per site and engine: links accepted each day of the last 30, the "
      "waiting backlog, the quota used, refusals by reason and the last run");
  report->add_option("--state", options.state,
                     "the record (default: every record in the system's state directory)");
  report->add_option("--html", options.html, "the page to write (self-contained HTML)")->required();
  report->final_callback([&options] { options.command = Command::kReport; });
  CLI::App* schedule = cli.add_subcommand(
      "schedule", "the system's task scheduler (Windows): a daily run of --config FILE");
  auto* daily = schedule->add_option("--daily", options.daily, "register the task at HH:MM")
                    ->check(CLI::Validator(
                        [](const std::string& time) {
                          return time.size() == 5 && time[2] == ':' && time < "24:00" &&
                                         time.substr(3) < "60" &&
                                         time.find_first_not_of("0123456789:") == std::string::npos
                                     ? std::string()
                                     : std::string("HH:MM");
                        },
                        "HH:MM"));
  schedule->add_option("--config", options.config, "the config file the task runs")->needs(daily);
  daily->needs("--config");
  auto* remove = schedule->add_flag("--remove", options.remove_task, "remove the task");
  auto* show = schedule->add_flag("--show", options.show_task, "print the task");
  daily->excludes(remove)->excludes(show);
  remove->excludes(show);
  schedule->require_option(1, 2);
  schedule->final_callback([&options] { options.command = Command::kSchedule; });
  status->final_callback([&options] { options.command = Command::kStatus; });
  history->final_callback([&options] { options.command = Command::kHistory; });
}

ParsedOptions parse_options(const std::vector<std::string>& arguments) {
  Options options;
  Spelled spelled;
  CLI::App cli{kDescription, "linkcourier-push"};
  add_options(cli, options, spelled);
  add_queries(cli, options);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  try {
    cli.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    const int code = cli.exit(error);
    return {std::nullopt, code == 0 ? kAllAccepted : kUsageOrInput};
  }
  options.destination.engine = engine_named(spelled.protocol)->kind;
  if (spelled.changed_by == "content") options.sources.content_check = spelled.check;
  if (options.command != Command::kPush) return {std::move(options), kAllAccepted};
  if (std::optional<std::string> problem = settle(options, cli))
    return {std::nullopt, kUsageOrInput, std::move(*problem)};
  return {std::move(options), kAllAccepted};
}

}  // namespace lc::push
