#include "push/engines/engine_registry.h"

#include <array>

#include "push/engines/bing.h"
#include "push/engines/client.h"
#include "push/engines/google.h"
#include "push/engines/indexnow.h"
#include "push/engines/push_interface.h"

namespace lc::push {
namespace {

// The registry: one line an engine.
std::span<const EngineDescription* const> registry() {
  static const auto engines = std::to_array<const EngineDescription*>(
      {&push_interface_engine(), &indexnow_engine(), &google_engine(), &bing_engine()});
  return engines;
}

constexpr Setting<EngineSettings> kBatchSetting = {
    .key = "batch",
    .option = "--batch",
    .form = SettingForm::kWholeNumber,
    .help =
        "links in one request at the most (default: the engine's own, 2000 for the push "
        "interface)",
    .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
      const std::size_t most = settings.destination.engine->largest_batch;
      const std::optional<std::size_t> batch = whole_number(value, most);
      if (!batch) return not_whole_number(most);
      settings.batch = *batch;
      return std::nullopt;
    }};

constexpr Setting<EngineSettings> kEndpointSetting = {
    .key = "endpoint",
    .option = "-i,--interface",
    .form = SettingForm::kText,
    .help = "the engine's endpoint, where not its public one",
    .take = [](const std::string& value, EngineSettings& settings) {
      settings.destination.interface = value;
      return address_problem(value);
    }};

// A whole number from 1 to `most` into the field `into` points to.
template <long InspectionSettings::*into>
std::optional<std::string> take_count(const std::string& value, EngineSettings& settings,
                                      std::size_t most) {
  const std::optional<std::size_t> count = whole_number(value, most);
  if (!count) return not_whole_number(most);
  settings.inspection.*into = static_cast<long>(*count);
  return std::nullopt;
}

constexpr std::size_t kMostHours = 24 * 366;
constexpr std::size_t kMostDays = 366;
constexpr std::size_t kMostRepushes = 10;

const Setting<EngineSettings> kInspectionSettings[] = {
    {.key = "inspect",
     .option = "--inspect",
     .form = SettingForm::kFlag,
     .help = "ask the engine whether the links it accepted are in its index",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       settings.inspection.enabled = value == "true";
       return std::nullopt;
     }},
    {.key = "inspect_after",
     .option = "--inspect-after",
     .form = SettingForm::kWholeNumber,
     .help = "hours after a link was accepted that it is first inspected (default 48)",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           return take_count<&InspectionSettings::after_hours>(value, settings, kMostHours);
         }},
    {.key = "reinspect_after",
     .option = "--reinspect-after",
     .form = SettingForm::kWholeNumber,
     .help = "days after a link was found not indexed that it is inspected again (default 7)",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           return take_count<&InspectionSettings::reinspect_days>(value, settings, kMostDays);
         }},
    {.key = "repush_after",
     .option = "--repush-after",
     .form = SettingForm::kWholeNumber,
     .help = "days after a link was accepted that, found not indexed, it is pushed again "
             "(default 14)",
     .take =
         [](const std::string& value, EngineSettings& settings) {
           return take_count<&InspectionSettings::repush_days>(value, settings, kMostDays);
         }},
    {.key = "max_repush",
     .option = "--max-repush",
     .form = SettingForm::kWholeNumber,
     .help = "times a link found not indexed is pushed again at the most (default 1; 0: never)",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       if (value == "0") {
         settings.inspection.max_repush = 0;
         return std::nullopt;
       }
       return take_count<&InspectionSettings::max_repush>(value, settings, kMostRepushes);
     }},
    {.key = "daily_inspections",
     .option = "--daily-inspections",
     .form = SettingForm::kWholeNumber,
     .help = "inspections a day at the most (default: the engine's limit, if any)",
     .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
       const std::optional<std::size_t> daily = whole_number(value, kMostDailyQuota);
       if (!daily) return not_whole_number(kMostDailyQuota);
       settings.inspection.daily = static_cast<long>(*daily);
       return std::nullopt;
     }},
};

constexpr Setting<EngineSettings> kInspectionEndpointSetting = {
    .key = "inspection_endpoint",
    .option = "--inspection-endpoint",
    .form = SettingForm::kText,
    .help = "the inspection call's endpoint, where not its public one",
    .take = [](const std::string& value, EngineSettings& settings) {
      settings.inspection.endpoint = value;
      return address_problem(value);
    }};

constexpr Setting<EngineSettings> kSubmitSitemapsSetting = {
    .key = "submit_sitemaps",
    .option = "--submit-sitemaps",
    .form = SettingForm::kFlag,
    .help = "hand the site's sitemaps to the engine when they are new or changed",
    .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
      settings.sitemaps.enabled = value == "true";
      return std::nullopt;
    }};

constexpr Setting<EngineSettings> kSitemapsOnlySetting = {
    .key = "sitemaps_only",
    .option = "--sitemaps-only",
    .form = SettingForm::kFlag,
    .help =
        "tell the engine of the site's pages by handing over its sitemaps alone, pushing no "
        "link through its own call",
    .take = [](const std::string& value, EngineSettings& settings) -> std::optional<std::string> {
      settings.sitemaps_only = value == "true";
      return std::nullopt;
    }};

constexpr Setting<EngineSettings> kSitemapsEndpointSetting = {
    .key = "sitemaps_endpoint",
    .option = "--sitemaps-endpoint",
    .form = SettingForm::kText,
    .help = "the sitemaps calls' endpoint, where not its public one",
    .take = [](const std::string& value, EngineSettings& settings) {
      settings.sitemaps.endpoint = value;
      return address_problem(value);
    }};

}  // namespace

std::vector<const Setting<EngineSettings>*> settings_of(const EngineDescription& engine) {
  std::vector<const Setting<EngineSettings>*> settings;
  for (const Setting<EngineSettings>& setting : engine.settings)
    settings.push_back(&setting);
  if (!engine.default_endpoint.empty()) settings.push_back(&kEndpointSetting);
  settings.push_back(&kBatchSetting);
  if (engine.make_inspector) {
    for (const Setting<EngineSettings>& setting : kInspectionSettings)
      settings.push_back(&setting);
  }
  if (!engine.default_inspection_endpoint.empty()) settings.push_back(&kInspectionEndpointSetting);
  if (engine.make_sitemap_submitter) {
    settings.push_back(&kSubmitSitemapsSetting);
    settings.push_back(&kSitemapsOnlySetting);
  }
  if (!engine.default_sitemaps_endpoint.empty()) settings.push_back(&kSitemapsEndpointSetting);
  return settings;
}

EngineSettings default_settings(const EngineDescription& engine) {
  EngineSettings settings;
  settings.destination.engine = &engine;
  settings.destination.interface = engine.default_endpoint;
  settings.batch = engine.usual_batch;
  settings.inspection.endpoint = engine.default_inspection_endpoint;
  settings.sitemaps.endpoint = engine.default_sitemaps_endpoint;
  return settings;
}

const EngineDescription* engine_named(std::string_view name) {
  for (const EngineDescription* description : registry()) {
    if (description->name == name) return description;
  }
  return nullptr;
}

std::span<const EngineDescription* const> every_engine() {
  return registry();
}

const EngineDescription& engine_of_destination(std::string_view name) {
  // A destination's name begins with its engine's name, but for the push interface's, which is
  // its address.
  for (const EngineDescription* description : registry()) {
    if (name.starts_with(description->name) && name.substr(description->name.size(), 1) == " ")
      return *description;
  }
  return *registry().front();
}

std::string named_destination(std::string_view engine, std::string_view whose,
                              std::string_view address) {
  return std::string(engine) + " " + std::string(whose) + " " + std::string(address);
}

std::unique_ptr<Engine> make_engine(const Destination& destination) {
  return destination.engine->make(destination);
}

}  // namespace lc::push
