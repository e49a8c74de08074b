#pragma once
// The push interface of the window: links one a line, counts back.

#include <memory>

#include "push/engines/engine.h"

namespace lc::push {

std::unique_ptr<Engine> make_push_interface(const Destination& destination);

}  // namespace lc::push
