#pragma once
// VBScript's replacement syntax: $& the match, $` before it, $' after it, $1 to $99 a group
// ($nn only when group nn exists, else $n, else literal), $$ a dollar sign. Any other '$' stays.

#include <string>
#include <string_view>

#include "platform/regex_match.h"

namespace lc::platform {

// Appends the expansion of `replacement` for `match`, whose spans point into `subject`, to `out`.
void expand_replacement(std::u16string_view replacement, std::u16string_view subject,
                        MatchSpans match, std::u16string& out);

}  // namespace lc::platform
