#pragma once
// VBScript pattern syntax rewritten for PCRE2 where the two read the same text differently.

#include <string>
#include <string_view>

namespace lc::platform {

// Class escapes keep their ASCII meanings (\w \d \s \b, which PCRE2 widens under Unicode case
// folding), \v is the vertical tab, a back-reference to a group the pattern lacks is an octal
// escape, and letters that PCRE2 alone gives a meaning (\A, \Z, \Q, \p ...) stand for themselves.
std::u16string to_pcre2_pattern(std::u16string_view pattern);

}  // namespace lc::platform
