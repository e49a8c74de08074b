#pragma once
// UTF-8, the encoding of the terminal and of the wire.

#include <string>
#include <string_view>

namespace lc::platform {

// UTF-8 of `units`, with a lone surrogate as U+FFFD.
std::string to_utf8(std::u16string_view units);

}  // namespace lc::platform
