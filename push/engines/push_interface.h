#pragma once
// The push interface of the window: links one a line, counts back.

#include <span>
#include <string_view>

#include "push/engines/engine_registry.h"

namespace lc::push {

const EngineDescription& push_interface_engine();

// The interface's answer to `sent`, read once: its counts, each link it names as refused with the
// list naming it, and its own word on a refusal. No outcome for any link where the counts do not
// add up.
BatchOutcome read_push_answer(int status, std::string_view body,
                              std::span<const std::string_view> sent);

}  // namespace lc::push
