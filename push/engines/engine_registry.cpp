#include "push/engines/engine_registry.h"

#include <array>

#include "push/engines/bing.h"
#include "push/engines/google.h"
#include "push/engines/indexnow.h"
#include "push/engines/push_interface.h"

namespace lc::push {
namespace {

// The registry: one line an engine.
const std::array<const EngineDescription*, 4>& registry() {
  static const std::array<const EngineDescription*, 4> engines = {
      &push_interface_engine(), &indexnow_engine(), &google_engine(), &bing_engine()};
  return engines;
}

}  // namespace

const EngineDescription& describe(EngineKind engine) {
  for (const EngineDescription* description : registry()) {
    if (description->kind == engine) return *description;
  }
  return *registry().front();
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
  return describe(EngineKind::kPush);
}

std::string named_destination(std::string_view engine, std::string_view whose,
                              std::string_view address) {
  return std::string(engine) + " " + std::string(whose) + " " + std::string(address);
}

std::unique_ptr<Engine> make_engine(const Destination& destination) {
  return describe(destination.engine).make(destination);
}

}  // namespace lc::push
