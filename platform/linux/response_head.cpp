#include "platform/linux/response_head.h"

#include "common/ascii_text.h"
#include "platform/ascii_case.h"

namespace lc::platform {
namespace {

constexpr std::string_view kOptionalWhitespace = " \t";

}  // namespace

int status_code(std::string_view head) {
  const std::size_t space = head.find(' ');
  if (space == std::string_view::npos) return 0;
  int code = 0;
  for (std::size_t at = space + 1; at < head.size() && at < space + 4; ++at) {
    if (!is_ascii_digit(head[at])) return 0;
    code = code * 10 + (head[at] - '0');
  }
  return code;
}

std::string header_value(std::string_view head, std::string_view name) {
  for (const std::string_view line : crlf_lines(head)) {
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && equals_ignoring_ascii_case(line.substr(0, colon), name))
      return std::string(header_line_value(line));
  }
  return {};
}

std::string_view header_name(std::string_view line) {
  return trimmed_ascii(line.substr(0, line.find(':')), kOptionalWhitespace);
}

std::string_view header_line_value(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  return trimmed_ascii(line.substr(colon + 1), kOptionalWhitespace);
}

}  // namespace lc::platform
