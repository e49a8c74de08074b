#pragma once
// Protocol names (header names, schemes, host names, charset labels) compare without regard to
// ASCII case.

#include <string_view>

namespace lc::platform {

template <typename Char>
Char ascii_lower(Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + 32) : c;
}

template <typename Char>
bool equal_units_ignoring_ascii_case(std::basic_string_view<Char> a,
                                     std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

inline bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return equal_units_ignoring_ascii_case(a, b);
}

inline bool equals_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  return equal_units_ignoring_ascii_case(a, b);
}

}  // namespace lc::platform
