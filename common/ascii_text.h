#pragma once
// Protocol texts (header lines, charset labels, status lines, link lists) read as ASCII: digits,
// white space and CR LF lines. Code page 936 text has its own operations in text_ops.h.

#include <algorithm>
#include <string_view>
#include <vector>

namespace lc {

template <typename Char>
constexpr bool is_ascii_digit(Char c) {
  return c >= '0' && c <= '9';
}

// The white space of HTML and of the Encoding Standard's labels.
inline constexpr std::string_view kAsciiWhitespace = "\t\n\f\r ";

// `text` without the characters of `whitespace` at either end.
constexpr std::string_view trimmed_ascii(std::string_view text,
                                         std::string_view whitespace = kAsciiWhitespace) {
  const std::size_t begin = text.find_first_not_of(whitespace);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(whitespace) - begin + 1);
}

// The lines of a block whose lines end in CR LF, without their ends; a last line without one
// counts too, and an end at the very end gives no empty last line.
inline std::vector<std::string_view> crlf_lines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < block.size()) {
    std::size_t end = block.find("\r\n", at);
    if (end == std::string_view::npos) end = block.size();
    lines.push_back(block.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// Calls `visit` with each line of a text whose lines end in LF, without its LF (a CR before it
// stays); a last line without one counts too, and an LF at the very end gives no empty last line.
template <typename Visit>
void for_each_lf_line(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    visit(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
}

}  // namespace lc
