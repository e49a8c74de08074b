#include "push/settings/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "push/engines/engine_registry.h"
#include "push/record/record_factory.h"
#include "push/settings/serve_settings.h"
#include "push/settings/site_settings.h"
#include "push/texts/exit_codes.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

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

// A record's location, refused where it would be taken for what it is not.
CLI::Validator record_location() {
  return CLI::Validator(
      [](const std::string& location) { return location_problem(location).value_or(""); }, "");
}

// How a setting's value is shown in the help.
std::string value_name(SettingForm form) {
  switch (form) {
    case SettingForm::kWholeNumber:
      return "N";
    case SettingForm::kNumber:
      return "NUMBER";
    case SettingForm::kPath:
    case SettingForm::kPaths:
    case SettingForm::kSecretFile:
      return "PATH";
    default:
      return "TEXT";
  }
}

// One option of a site's or an engine's setting: its values kept as given, for the plan.
template <typename Target>
void add_setting(CLI::App& cli, Options& options, const Setting<Target>& setting,
                 const std::string& help) {
  const std::string name(setting.option);
  if (setting.form == SettingForm::kFlag) {
    cli.add_flag_callback(
        name, [&options, name] { options.given[name] = {"true"}; }, help);
    return;
  }
  CLI::Option* option = nullptr;
  if (setting.form == SettingForm::kTexts || setting.form == SettingForm::kPaths) {
    option = cli.add_option_function<std::vector<std::string>>(
        name,
        [&options, name](const std::vector<std::string>& values) { options.given[name] = values; },
        help);
  } else {
    option = cli.add_option_function<std::string>(
        name, [&options, name](const std::string& value) { options.given[name] = {value}; }, help);
  }
  option->type_name(value_name(setting.form));
}

// What an option of engines' settings is for: each meaning once, named with its engines where
// not every engine has it.
struct EngineOption {
  const Setting<EngineSettings>* setting;
  std::vector<std::pair<std::string, std::vector<std::string_view>>> meanings;

  std::string help() const {
    std::string help;
    for (const auto& [meaning, engines] : meanings) {
      if (!help.empty()) help += "; ";
      if (engines.size() < every_engine().size()) {
        for (const std::string_view engine : engines)
          help += std::string(engine) + (engine == engines.back() ? ": " : ", ");
      }
      help += meaning;
    }
    return help;
  }
};

void add_setting_options(CLI::App& cli, Options& options) {
  for (const Setting<SitePlan>& setting : site_settings())
    add_setting(cli, options, setting, std::string(setting.help));
  std::vector<EngineOption> shared;
  for (const EngineDescription* engine : every_engine()) {
    for (const Setting<EngineSettings>* setting : settings_of(*engine)) {
      auto known = std::find_if(shared.begin(), shared.end(), [&](const EngineOption& option) {
        return option.setting->option == setting->option;
      });
      if (known == shared.end()) known = shared.insert(shared.end(), {setting, {}});
      std::string help(setting->help);
      if (!setting->variable.empty()) help += " (else " + std::string(setting->variable) + ")";
      auto meaning = std::find_if(known->meanings.begin(), known->meanings.end(),
                                  [&](const auto& given) { return given.first == help; });
      if (meaning == known->meanings.end()) {
        known->meanings.push_back({help, {engine->name}});
      } else {
        meaning->second.push_back(engine->name);
      }
    }
  }
  for (const EngineOption& option : shared)
    add_setting(cli, options, *option.setting, option.help());
}

// How the run goes, and what it tells.
void add_run_options(CLI::App& cli, Options& options) {
  RunSettings& run = options.run;
  cli.add_option("--protocol", options.protocol,
                 "the engine to push to (default push, the window's own request and answer); "
                 "its settings are the options whose help names it")
      ->check(CLI::IsMember(engine_names()));
  cli.add_option("--timeout", run.timeout_seconds, "seconds a request may stay silent (default 30)")
      ->check(CLI::Range(1, 3600));
  cli.add_option("--state", run.state,
                 "the record (SQLite): every link with its state; a later run sends only what "
                 "waits, and what a sitemap's <lastmod> says changed (default: one record a "
                 "destination in the system's state directory)")
      ->check(record_location());
  cli.add_flag("--no-state", run.no_state, "keep no record");
  cli.add_option("--wait", run.wait_seconds,
                 "seconds to wait for another run over the same record to end (default: none)")
      ->check(CLI::Range(0.0, 86400.0));
  cli.add_option("--lease", run.lease_seconds,
                 "seconds a run's hold on a destination lasts when it stops renewing it (paused, "
                 "cut off): another run takes the destination over after")
      ->capture_default_str()
      ->check(CLI::Range(4, 86400));
  cli.add_option("--max-wait", run.max_wait_seconds,
                 "seconds the run may wait in all for engines that ask it to (Retry-After) and "
                 "for retries after failures that may pass")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 86400.0));
  cli.add_flag("--again", run.again, "send links even when the record has them as accepted");
  cli.add_option("--metrics", run.metrics,
                 "write the run's figures to this file in Prometheus's text format (for "
                 "node_exporter's textfile collector), whole or not at all");
  cli.add_flag("--confirm-deletions", run.confirm_deletions,
               "announce them even when more than the limit of a site's links are gone");
  cli.add_flag("--dry-run", run.dry_run, "read, clean and batch the links; send nothing");
  cli.add_flag("--json", run.json,
               "one JSON object per request on standard output, then one for "
               "the run");
  cli.add_flag("-q,--quiet", run.quiet, "no report of each request");
}

// Which sites and engines.
void add_choice_options(CLI::App& cli, Options& options) {
  cli.add_option("--site", options.site,
                 "send only links of this host; the others are listed (with --config: only the "
                 "site of this name)");
  cli.add_option("--config", options.config,
                 "push every site of this config file (TOML) to every engine it names; sources, "
                 "engines and secrets come from the file");
  cli.add_option("--engine", options.engine, "with --config: push to this engine only")
      ->check(CLI::IsMember(engine_names()));
}

void add_options(CLI::App& cli, Options& options) {
  // The same options on both systems: a file named /like/this is a file on Windows too.
  cli.allow_windows_style_options(false);
  cli.set_version_flag("--version", "linkcourier-push " LINKCOURIER_VERSION);
  add_setting_options(cli, options);
  add_run_options(cli, options);
  add_choice_options(cli, options);
}

// Checks what no single option can; the message when the options do not fit together.
std::optional<std::string> settle(const Options& options) {
  if (options.config.empty() && !options.engine.empty())
    return texts::about("--engine", texts::kEngineWithoutConfig);
  if (options.run.no_state && !options.run.state.empty())
    return texts::about("--no-state", texts::kNoStateWithState);
  return std::nullopt;
}

}  // namespace

// `status` and `history` ask the record; pushing stays the program's own action.
void add_queries(CLI::App& cli, Options& options) {
  CLI::App* status = cli.add_subcommand(
      "status",
      "per site and destination: links known, accepted, waiting, refused, the quota "
      "left and the last run");
  CLI::App* history = cli.add_subcommand(
      "history", "one line per run, with the temporary failures it met (--links: per link event)");
  for (CLI::App* query : {status, history}) {
    query
        ->add_option("--state", options.run.state,
                     "the record (default: every record in the system's state directory)")
        ->check(record_location());
    query->add_flag("--json", options.run.json, "JSON instead of text");
  }
  history->add_option("--since", options.since, "runs and events from this W3C date or time on");
  history->add_option("--site", options.site, "runs and events of this host only");
  auto* not_indexed = status->add_flag(
      "--not-indexed", options.not_indexed,
      "the accepted links the latest inspection found not indexed, with the engine's words for "
      "their state: CSV with a heading line, or JSON lines with --json");
  status->add_option("--site", options.site, "with --not-indexed: this host's links only")
      ->needs(not_indexed);
  history->add_flag("--csv", options.csv, "comma-separated values with a heading line");
  history->add_flag(
      "--links", options.links,
      "one line per link event (seen, sent, accepted, refused, deferred) and setback");
  CLI::App* report = cli.add_subcommand(
      "report",
      "one page to look at, per site and engine: links accepted each day of the last 30, the "
      "waiting backlog, the quota used, refusals by reason and the last run");
  report
      ->add_option("--state", options.run.state,
                   "the record (default: every record in the system's state directory)")
      ->check(record_location());
  report->add_option("--html", options.html, "the page to write (self-contained HTML)")->required();
  report->final_callback([&options] { options.command = Command::kReport; });
  CLI::App* schedule = cli.add_subcommand(
      "schedule",
      "the system's task scheduler (Windows): a daily run of --config FILE, or its serve at logon");
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
  auto* at_logon = schedule->add_flag(
      "--at-logon", options.at_logon,
      "the task of `serve --config FILE`, started when this user logs on (with --remove or "
      "--show: that task)");
  auto* config = schedule->add_option("--config", options.config, "the config file the task runs");
  daily->needs(config)->excludes(at_logon);
  auto* remove = schedule->add_flag("--remove", options.remove_task, "remove the task");
  auto* show = schedule->add_flag("--show", options.show_task, "print the task");
  daily->excludes(remove)->excludes(show);
  config->excludes(remove)->excludes(show);
  remove->excludes(show);
  schedule->require_option(1, 3);
  schedule->final_callback([&options] { options.command = Command::kSchedule; });
  CLI::App* serve = cli.add_subcommand(
      "serve",
      "a service that takes the links sites publish (POST /v1/links, with the [serve] token) "
      "into the record of --config FILE");
  serve->add_option("--config", options.config, "the config file: sites, engines, [serve]")
      ->required();
  for (const Setting<ServeSettings>& setting : serve_settings()) {
    if (setting.option == "--listen")
      serve->add_option("--listen", options.listen, std::string(setting.help));
  }
  serve->add_option("--state", options.run.state, "the record, before the config's state")
      ->check(record_location());
  serve->final_callback([&options] { options.command = Command::kServe; });
  CLI::App* migrate = cli.add_subcommand(
      "migrate",
      "move a record whole into an empty one: an SQLite file to a PostgreSQL server "
      "(postgresql://...) or back, checked by its links per destination and state");
  migrate->add_option("--from", options.from, "the record to move")
      ->required()
      ->check(record_location());
  migrate->add_option("--to", options.to, "the empty record it moves into")
      ->required()
      ->check(record_location());
  migrate->final_callback([&options] { options.command = Command::kMigrate; });
  // Takes every option of a push, given after it as before it.
  CLI::App* inspect = cli.add_subcommand(
      "inspect", "only inspect the links due for inspection, as --inspect asks; push nothing");
  inspect->fallthrough();
  inspect->final_callback([&options] { options.run.inspect_only = true; });
  status->final_callback([&options] { options.command = Command::kStatus; });
  history->final_callback([&options] { options.command = Command::kHistory; });
}

ParsedOptions parse_options(const std::vector<std::string>& arguments) {
  Options options;
  CLI::App cli{kDescription, "linkcourier-push"};
  add_options(cli, options);
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
  if (options.command != Command::kPush) return {std::move(options), kAllAccepted};
  if (std::optional<std::string> problem = settle(options))
    return {std::nullopt, kUsageOrInput, std::move(*problem)};
  return {std::move(options), kAllAccepted};
}

}  // namespace lc::push
