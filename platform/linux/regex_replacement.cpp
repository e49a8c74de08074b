#include "platform/linux/regex_replacement.h"

#include "common/ascii_text.h"

namespace lc::platform {
namespace {

void append_group(std::u16string_view subject, MatchSpans match, std::size_t group,
                  std::u16string& out) {
  if (match[group].is_set()) out.append(subject.substr(match[group].start, match[group].length));
}

// How many units after the '$' at `at` form a group reference, and which group; 0 when none.
std::size_t group_reference(std::u16string_view replacement, std::size_t at,
                            std::size_t group_count, std::size_t& group) {
  if (at + 1 >= replacement.size() || !is_ascii_digit(replacement[at + 1])) return 0;
  const std::size_t one = replacement[at + 1] - u'0';
  if (at + 2 < replacement.size() && is_ascii_digit(replacement[at + 2])) {
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
                        MatchSpans match, std::u16string& out) {
  const Span whole = match[0];
  const std::size_t match_end = whole.start + whole.length;
  for (std::size_t at = 0; at < replacement.size(); ++at) {
    const char16_t unit = replacement[at];
    if (unit != u'$' || at + 1 == replacement.size()) {
      out.push_back(unit);
      continue;
    }
    std::size_t group = 0;
    if (const std::size_t digits = group_reference(replacement, at, match.size() - 1, group)) {
      append_group(subject, match, group, out);
      at += digits;
      continue;
    }
    switch (replacement[at + 1]) {
      case u'$':
        out.push_back(u'$');
        break;
      case u'&':
        out.append(subject.substr(whole.start, whole.length));
        break;
      case u'`':
        out.append(subject.substr(0, whole.start));
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
