#pragma once
// The push interface of the window: links one a line, counts back.

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& push_interface_engine();

}  // namespace lc::push
