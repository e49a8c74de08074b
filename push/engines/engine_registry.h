#pragma once
// Every engine, each described once: what the rest of the program needs to know of one, so that
// nothing outside this folder asks which engine it is. An engine is its own file(s) and one line
// in the registry.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "push/engines/engine.h"
#include "push/engines/inspection.h"
#include "push/engines/secrets.h"
#include "push/engines/setting.h"
#include "push/engines/sitemap_submission.h"

namespace lc::push {

// Where an engine's day begins, when its daily quota is given anew; or none, for an engine whose
// quota bounds each request only.
enum class QuotaDays { kPerRequest, kUtc, kChinaTime, kPacificTime };

// One engine of one site, with its settings: the destination it is made for and its batch.
struct EngineSettings {
  Destination destination;
  std::size_t batch = 0;
  // Why this engine of this site cannot be pushed to (a secret that could not be had), naming
  // where; empty: it can. The site's other engines, and other sites, go on.
  std::string unusable;
  InspectionSettings inspection;
  SitemapSettings sitemaps;
  // The site's pages are told by its sitemaps alone: no link goes through the push call.
  bool sitemaps_only = false;

  bool operator==(const EngineSettings&) const = default;
};

struct EngineDescription {
  std::string_view name;              // as the command line and the config name it
  std::string_view default_endpoint;  // empty: the address is the user's own (the push interface)
  std::size_t largest_batch;          // links a request may carry
  std::size_t usual_batch;            // where no smaller one is asked for
  std::optional<long> daily_quota;    // given a day before anything is asked; else answers tell
  QuotaDays days;
  bool takes_one_host;     // a request carries one site's links (IndexNow, Bing)
  bool hears_of_removals;  // removed pages can be announced (Google, IndexNow)
  // The destination's name in the record, from its settings; secrets hidden.
  std::string (*destination_name)(const Destination& destination, const Secrets& secrets);
  std::unique_ptr<Engine> (*make)(const Destination& destination);
  std::span<const Setting<EngineSettings>> settings;  // its own, beside the batch
  // Its call for a link's place in its index, where it has one, with that call's limits.
  std::unique_ptr<Inspector> (*make_inspector)(const Destination& destination,
                                               const InspectionSettings& settings) = nullptr;
  std::string_view default_inspection_endpoint = {};  // empty: the engine's own endpoint
  std::optional<long> daily_inspections = std::nullopt;
  std::optional<long> inspections_a_minute = std::nullopt;
  // Its calls for a site's sitemaps, where it has them.
  std::unique_ptr<SitemapSubmitter> (*make_sitemap_submitter)(
      const Destination& destination, const SitemapSettings& settings) = nullptr;
  std::string_view default_sitemaps_endpoint = {};  // empty: the engine's own endpoint
};

// Every setting of `engine`: its own, its endpoint where it has a public one that another may
// replace, its batch, and those of its inspections and sitemaps where it has them.
std::vector<const Setting<EngineSettings>*> settings_of(const EngineDescription& engine);

// The settings of `engine` before any is given: its public endpoints and its usual batch.
EngineSettings default_settings(const EngineDescription& engine);

// The engine of a name; empty where no engine has it.
const EngineDescription* engine_named(std::string_view name);
// Every engine, in the order a site's engines are pushed to.
std::span<const EngineDescription* const> every_engine();

// The engine of a destination the record names.
const EngineDescription& engine_of_destination(std::string_view name);

std::unique_ptr<Engine> make_engine(const Destination& destination);

// An engine of `EngineType` for `destination`, as a description's `make`.
template <typename EngineType>
std::unique_ptr<Engine> made(const Destination& destination) {
  return std::make_unique<EngineType>(destination);
}

// The name of an engine's destination in the record: the engine's name, whose it is (a site, an
// account) and its address, so that one engine's destinations never meet another's.
std::string named_destination(std::string_view engine, std::string_view whose,
                              std::string_view address);

}  // namespace lc::push
