#pragma once
// What a part of the program below its reports wants its user to know (a warning, a finding),
// handed to whoever runs it: the command decides where it goes.

#include <functional>
#include <string_view>

namespace lc::push {

using Notes = std::function<void(std::string_view line)>;

}  // namespace lc::push
