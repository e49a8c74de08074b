#pragma once
// VBScript pattern syntax rewritten for PCRE2 where the two read the same text differently.

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/regex_groups.h"

namespace lc::platform {

struct PatternOptions {
  bool multiline = false;  // ^ and $ meet every line terminator, not only the subject's ends
  bool ignore_case = false;
  bool unicode_case = false;  // the pattern is compiled caseless with Unicode case folding
};

// A pattern as PCRE2 reads it. Under Unicode case folding each back-reference is followed by a
// callout whose string is the group's number, where the matcher holds the text it matched to
// ECMAScript's case rule. Each repeat of a single atom is preceded by callout number 1, where the
// matcher looks at its time budget.
struct Pcre2Pattern {
  std::u16string text;
  bool machine_code_agrees = true;  // PCRE2's machine code answers as its interpreter does
  GroupPlan groups;
};

// Class escapes keep their ASCII meanings (\w \d \b, which PCRE2 widens under Unicode case
// folding), \v is the vertical tab, a back-reference to a group the pattern lacks is an octal
// escape, letters that PCRE2 alone gives a meaning (\A, \Z, \Q, \p ...) stand for themselves,
// and a class escape before '-' in a class is followed by a literal hyphen. Empty for syntax
// that VBScript refuses but PCRE2 would read: group forms other than (?: (?= (?!, verbs,
// possessive or doubled quantifiers, quantified anchors or word boundaries, and ranges that end
// in a class escape.
std::optional<Pcre2Pattern> to_pcre2_pattern(std::u16string_view pattern, PatternOptions options);

}  // namespace lc::platform
