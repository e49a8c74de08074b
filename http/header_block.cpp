#include "http/header_block.h"

#include "common/text_ops.h"
#include "common/text_search.h"

namespace lc {
namespace {

bool is_small_letter(char c) {
  return c >= 'a' && c <= 'z';
}

// Upper-cases the first letter of each '-'-separated part of a header name, in place.
// Splitting the name, capitalising the parts and joining them again gives these same bytes:
// a name's trailing '-' drops out of the rebuilt name only to come back with the rest of the line.
void capitalize_name_parts(char* name, std::size_t size) {
  bool part_starts = true;
  for (std::size_t at = 0; at < size; at += is_lead_byte(name[at]) ? 2 : 1) {
    if (part_starts && is_small_letter(name[at])) name[at] = static_cast<char>(name[at] - 32);
    part_starts = name[at] == '-';
  }
}

}  // namespace

Text normalize_header_names(TextView block) {
  Text result;
  result.reserve(block.size());
  for (TextView line : split_views(block, kLineBreak)) {
    const TextPos colon = find(line, ":");
    if (colon == kNotFound) continue;
    if (!result.empty()) result.append(kLineBreak);
    const std::size_t line_start = result.size();
    result.append(line);
    capitalize_name_parts(result.data() + line_start, static_cast<std::size_t>(colon - 1));
  }
  return result;
}

Text get_header_value(TextView block, TextView name) {
  for (const Text& line : split(block, kLineBreak)) {
    if (TextView(line).substr(0, name.size()) != name) continue;
    return text_after_marker(line, Text(name).append(": "));
  }
  return {};
}

Text text_after_marker(TextView text, TextView marker) {
  const TextPos at = find_last(text, marker, length(text));
  if (at == kNotFound) return {};
  return Text(text.substr(static_cast<std::size_t>(at - 1) + marker.size()));
}

Text text_before_marker(TextView text, TextView marker) {
  const TextPos at = find(text, marker);
  if (at == kNotFound) return {};
  return left(text, at - 1);
}

Text capitalize_first(TextView text) {
  Text result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') result[0] = char(result[0] - 32);
  return result;
}

}  // namespace lc
