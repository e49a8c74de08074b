#pragma once
// Where a pattern's matching must look at its time budget. PCRE2's machine code counts no steps
// while it repeats a single atom, so a repeat re-entered each time an earlier one gives a unit
// back (.*?[^ ]*x) can multiply into minutes at one start position. A callout before such a
// repeat lets the matcher look at the clock there; the callouts cost machine code a fifth of a
// microsecond each, so the common patterns, whose repeats never give back, go without.

#include <unicode/uniset.h>

#include <cstddef>
#include <string>
#include <vector>

namespace lc::platform {

// Each callout without a string asks the matcher whether the call's time is spent.
inline constexpr std::u16string_view kBudgetCallout = u"(?C1)";

struct SingleAtomRepeat {
  std::size_t atom_at = 0;         // where the atom's translation begins
  bool in_repeated_group = false;  // or in a lookaround: entered again without a count
  bool gives_back = true;  // what follows may match a unit it held, so backtracking tries on
};

// Whether one position of the subject can match both sets, case folded as the pattern is.
bool units_overlap(const icu::UnicodeSet& first, const icu::UnicodeSet& second, bool ignore_case);

// Inserts a budget callout before each repeat that follows one giving back, or sits in a group
// entered again, into the translated pattern the repeats' positions refer to.
void insert_budget_callouts(std::u16string& translated,
                            const std::vector<SingleAtomRepeat>& repeats);

}  // namespace lc::platform
