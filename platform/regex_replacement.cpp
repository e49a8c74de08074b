#include "platform/regex_replacement.h"

namespace lc::platform {
namespace {

bool is_digit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}

void append_group(const Match& match, std::size_t group, std::u16string& out) {
  if (const std::optional<std::u16string>& text = match.groups[group - 1]) out.append(*text);
}

// How many units after the '$' at `at` form a group reference, and which group; 0 when none.
std::size_t group_reference(std::u16string_view replacement, std::size_t at,
                            std::size_t group_count, std::size_t& group) {
  if (at + 1 >= replacement.size() || !is_digit(replacement[at + 1])) return 0;
  const std::size_t one = replacement[at + 1] - u'0';
  if (at + 2 < replacement.size() && is_digit(replacement[at + 2])) {
    const std::size_t two = one * 10 + (replacement[at + 2] - u'0');
    if (two >= 1 && two <= group_count) {
      group = two;
      return 2;
    }
  }
  if (one >= 1 && one <= group_count) {
    group = one;
    return 1;
  }
  return 0;
}

}  // namespace

void expand_replacement(std::u16string_view replacement, std::u16string_view subject,
                        const Match& match, std::u16string& out) {
  const std::size_t match_end = match.whole.start + match.whole.length;
  for (std::size_t at = 0; at < replacement.size(); ++at) {
    const char16_t unit = replacement[at];
    if (unit != u'$' || at + 1 == replacement.size()) {
      out.push_back(unit);
      continue;
    }
    std::size_t group = 0;
    if (const std::size_t digits = group_reference(replacement, at, match.groups.size(), group)) {
      append_group(match, group, out);
      at += digits;
      continue;
    }
    switch (replacement[at + 1]) {
      case u'$':
        out.push_back(u'$');
        break;
      case u'&':
        out.append(subject.substr(match.whole.start, match.whole.length));
        break;
      case u'`':
        out.append(subject.substr(0, match.whole.start));
        break;
      case u'\'':
        out.append(subject.substr(match_end));
        break;
      default:
        out.push_back(u'$');
        continue;
    }
    ++at;
  }
}

}  // namespace lc::platform
