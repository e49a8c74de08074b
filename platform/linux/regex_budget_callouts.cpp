#include "platform/linux/regex_budget_callouts.h"

namespace lc::platform {

bool units_overlap(const icu::UnicodeSet& first, const icu::UnicodeSet& second, bool ignore_case) {
  if (!ignore_case) return first.containsSome(second);
  // Closing both over every case pairing is wider than either matcher's folding: an overlap may
  // be claimed that is not there, never missed.
  icu::UnicodeSet folded_first(first);
  icu::UnicodeSet folded_second(second);
  folded_first.closeOver(USET_CASE_INSENSITIVE);
  folded_second.closeOver(USET_CASE_INSENSITIVE);
  return folded_first.containsSome(folded_second);
}

void insert_budget_callouts(std::u16string& translated, const std::vector<std::size_t>& positions) {
  std::u16string out;
  out.reserve(translated.size() + positions.size() * kBudgetCallout.size());
  std::size_t copied = 0;
  for (const std::size_t at : positions) {
    out.append(translated, copied, at - copied);
    out += kBudgetCallout;
    copied = at;
  }
  out.append(translated, copied);
  translated = std::move(out);
}

}  // namespace lc::platform
