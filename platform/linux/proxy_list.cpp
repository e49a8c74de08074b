#include "platform/linux/proxy_list.h"

#include "platform/ascii_case.h"

namespace lc::platform {
namespace {

bool is_separator(char c) {
  return c == ';' || c == ' ' || c == '\t';
}

}  // namespace

std::optional<std::string> proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
  std::optional<std::string> for_every_scheme;
  std::size_t at = 0;
  while (at < proxy_list.size()) {
    while (at < proxy_list.size() && is_separator(proxy_list[at]))
      ++at;
    std::size_t end = at;
    while (end < proxy_list.size() && !is_separator(proxy_list[end]))
      ++end;
    const std::string_view entry = proxy_list.substr(at, end - at);
    at = end;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (!for_every_scheme) for_every_scheme = std::string(entry);
    } else if (equals_ignoring_ascii_case(entry.substr(0, equals), scheme)) {
      return std::string(entry.substr(equals + 1));
    }
  }
  return for_every_scheme;
}

}  // namespace lc::platform
