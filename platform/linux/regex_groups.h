#pragma once
// The groups of a VBScript pattern as PCRE2 numbers them, and the repeats they sit in.
// ECMAScript clears the groups inside a repeat at each of its iterations, while PCRE2 keeps what
// an earlier iteration captured; knowing where each repeat's last iteration starts, a match can
// be told which of its captures are left over.

#include <cstddef>
#include <string_view>
#include <vector>

namespace lc::platform {

struct Quantifier {
  std::size_t end = 0;    // the index after it; 0 when there is none
  bool repeats = false;   // allows more than one
  bool optional = false;  // allows none
};

// The quantifier that begins at `at` (without a lazy '?').
Quantifier quantifier_at(std::u16string_view pattern, std::size_t at);

struct GroupPlan {
  // For each opening parenthesis in order: a non-capturing group that PCRE2 is to capture,
  // because it repeats with capturing groups inside.
  std::vector<bool> captured_for_iterations;
  // For each opening parenthesis in order: whether a quantifier lets its group match more than
  // once, and whether the group may match without its first atom (it holds alternatives, or a
  // quantifier lets it match none).
  std::vector<bool> repeats;
  std::vector<bool> skippable;
  // For each group of the pattern (from 1; [0] is the whole match): its number in PCRE2.
  std::vector<std::size_t> numbers;
  // For each PCRE2 group: the PCRE2 number of the innermost repeated group around it, or 0.
  std::vector<std::size_t> repeat_around;

  // False when PCRE2's numbers are the pattern's and no group sits in a repeat.
  bool matters() const;
};

GroupPlan plan_groups(std::u16string_view pattern);

}  // namespace lc::platform
