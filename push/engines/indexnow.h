#pragma once
// IndexNow: a JSON list of one host's links, the key proved by a key file on the site; the
// status says it all.

#include <memory>
#include <string_view>

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& indexnow_engine();

// IndexNow's keys: 8 to 128 characters of a-z, A-Z, 0-9 and '-'.
bool is_indexnow_key(std::string_view key);

}  // namespace lc::push
