#pragma once
// Where a pattern's matching must look at its time budget. PCRE2's machine code counts no steps
// while it repeats a single atom, so a repeat entered again each time something before it gives
// a unit back (.*?[^ ]*x, (?:1)*\d+x) can multiply into minutes at one start position. A callout
// before such a repeat lets the matcher look at the clock there. Callouts cost machine code a
// fifth of a microsecond each, so the repeats that common patterns are made of, which are entered
// once and never give back what follows them could match, go without.

#include <unicode/uniset.h>

#include <cstddef>
#include <string>
#include <vector>

namespace lc::platform {

// Each callout without a string asks the matcher whether the call's time is spent.
inline constexpr std::u16string_view kBudgetCallout = u"(?C1)";

// Whether one position of the subject can match both sets, case folded as the pattern is.
bool units_overlap(const icu::UnicodeSet& first, const icu::UnicodeSet& second, bool ignore_case);

// Inserts a budget callout at each of `positions`, in increasing order, of a translated pattern.
void insert_budget_callouts(std::u16string& translated, const std::vector<std::size_t>& positions);

}  // namespace lc::platform
