#include "push/settings/plan.h"

#include <algorithm>

#include "platform/utf8_files.h"
#include "push/settings/config_file.h"
#include "push/settings/options.h"
#include "push/settings/site_settings.h"
#include "push/texts/push_texts.h"

namespace lc::push {
namespace {

using Problems = std::vector<std::string>;

template <typename Target>
void take_values(const Setting<Target>& setting, const std::vector<std::string>& values,
                 Target& target, Problems& problems) {
  for (const std::string& value : values) {
    if (const std::optional<std::string> problem = setting.take(value, target)) {
      problems.push_back(texts::about(spelled_option(setting.option), *problem));
      return;
    }
  }
}

// Takes what the command line gives for `setting`, if anything.
template <typename Target>
void take_given(const Options& options, const Setting<Target>& setting, Target& target,
                Problems& problems) {
  const auto given = options.given.find(setting.option);
  if (given != options.given.end()) take_values(setting, given->second, target, problems);
}

bool is_site_option(std::string_view option) {
  const std::span<const Setting<SitePlan>> settings = site_settings();
  return std::any_of(settings.begin(), settings.end(),
                     [&](const Setting<SitePlan>& setting) { return setting.option == option; });
}

// The values of an engine's setting on the command line, or in its environment variable.
std::vector<std::string> given_to_engine(const Options& options,
                                         const Setting<EngineSettings>& setting) {
  const auto given = options.given.find(setting.option);
  if (given != options.given.end()) return given->second;
  if (setting.variable.empty()) return {};
  const std::string value =
      platform::utf8_environment(std::string(setting.variable).c_str()).value_or("");
  if (value.empty()) return {};
  return {value};
}

// The engine --protocol names, with the settings its options give. An option of another
// engine's setting is a mistake, not something to leave unsaid.
EngineSettings command_line_engine(const Options& options, Problems& problems) {
  const EngineDescription& engine =
      *engine_named(options.protocol.empty() ? "push" : options.protocol);
  EngineSettings settings = default_settings(engine);
  const std::vector<const Setting<EngineSettings>*> declared = settings_of(engine);
  for (const Setting<EngineSettings>* setting : declared) {
    const std::vector<std::string> values = given_to_engine(options, *setting);
    // A dry run sends nothing, so it needs no secret.
    const bool needed =
        setting->required && !(options.run.dry_run && setting->form == SettingForm::kSecret);
    if (values.empty() && needed) {
      std::string named(spelled_option(setting->option));
      if (!setting->variable.empty()) named += " 或 " + std::string(setting->variable);
      problems.push_back(texts::filled(texts::kEngineNeeds,
                                       {{"engine", std::string(engine.name)}, {"setting", named}}));
    }
    take_values(*setting, values, settings, problems);
  }
  for (const auto& given : options.given) {
    const std::string& option = given.first;
    const bool its_own = std::any_of(declared.begin(), declared.end(), [&](const auto* setting) {
      return setting->option == option;
    });
    if (!its_own && !is_site_option(option)) {
      problems.push_back(texts::about(
          spelled_option(option),
          texts::filled(texts::kNotForEngine, {{"engine", std::string(engine.name)}})));
    }
  }
  return settings;
}

PlanReading command_line_plan(const Options& options) {
  PlanReading reading;
  Plan plan;
  plan.run = options.run;
  SitePlan site = new_site();
  site.host = options.site;
  for (const Setting<SitePlan>& setting : site_settings())
    take_given(options, setting, site, reading.problems);
  const Spelling spelled = [](std::string_view, std::string_view option) {
    return std::string(spelled_option(option));
  };
  for (std::string& problem : finish_site(site, spelled))
    reading.problems.push_back(std::move(problem));
  site.engines.push_back(command_line_engine(options, reading.problems));
  plan.sites.push_back(std::move(site));
  if (reading.problems.empty()) reading.plan = std::move(plan);
  return reading;
}

// The config's sites that the command line keeps to, each with only the engine it names.
std::optional<std::string> keep_chosen(const Options& options, std::vector<SitePlan>& sites) {
  std::erase_if(sites, [&](const SitePlan& site) {
    return !options.site.empty() && site.name != options.site;
  });
  if (sites.empty()) return texts::about("--site", texts::kUnknownSite);
  for (SitePlan& site : sites) {
    std::erase_if(site.engines, [&](const EngineSettings& engine) {
      return !options.engine.empty() && engine.destination.engine->name != options.engine;
    });
  }
  std::erase_if(sites, [](const SitePlan& site) { return site.engines.empty(); });
  if (sites.empty()) return texts::about("--engine", texts::kUnknownEngine);
  return std::nullopt;
}

PlanReading config_plan(const Options& options) {
  ConfigReading config = read_config(options.config);
  PlanReading reading;
  reading.problems = std::move(config.errors);
  reading.warnings = std::move(config.warnings);
  if (!options.protocol.empty())
    reading.problems.push_back(texts::about("--protocol", texts::kConfigExcludes));
  for (const Setting<SitePlan>& setting : site_settings()) {
    if (!setting.beside_config && options.given.contains(setting.option))
      reading.problems.push_back(
          texts::about(spelled_option(setting.option), texts::kConfigExcludes));
  }
  for (const auto& [option, values] : options.given) {
    if (!is_site_option(option))
      reading.problems.push_back(texts::about(spelled_option(option), texts::kConfigExcludes));
  }
  if (!config.config || !reading.problems.empty()) return reading;
  Plan plan;
  plan.run = options.run;
  plan.from_config = true;
  if (plan.run.state.empty()) plan.run.state = config.config->state;
  plan.sites = std::move(config.config->sites);
  plan.serve = std::move(config.config->serve);
  for (SitePlan& site : plan.sites)
    site.served = plan.serve.has_value();
  if (plan.serve && !options.listen.empty()) {
    for (const Setting<ServeSettings>& setting : serve_settings()) {
      if (setting.option != "--listen") continue;
      if (std::optional<std::string> problem = setting.take(options.listen, *plan.serve))
        reading.problems.push_back(texts::about("--listen", *problem));
    }
  }
  if (std::optional<std::string> problem = keep_chosen(options, plan.sites)) {
    reading.problems.push_back(std::move(*problem));
    return reading;
  }
  for (SitePlan& site : plan.sites) {
    for (const Setting<SitePlan>& setting : site_settings()) {
      if (setting.beside_config) take_given(options, setting, site, reading.problems);
    }
  }
  if (reading.problems.empty()) reading.plan = std::move(plan);
  return reading;
}

}  // namespace

std::string_view spelled_option(std::string_view option) {
  return option.substr(option.rfind(',') + 1);
}

bool inspects_anything(const Plan& plan) {
  return std::any_of(plan.sites.begin(), plan.sites.end(), [](const SitePlan& site) {
    return std::any_of(site.engines.begin(), site.engines.end(),
                       [](const EngineSettings& engine) { return engine.inspection.enabled; });
  });
}

PlanReading plan_of(const Options& options) {
  PlanReading reading = options.config.empty() ? command_line_plan(options) : config_plan(options);
  if (reading.plan) {
    for (SitePlan& site : reading.plan->sites) {
      for (EngineSettings& engine : site.engines)
        engine.destination.timeout_seconds = options.run.timeout_seconds;
    }
  }
  return reading;
}

}  // namespace lc::push
