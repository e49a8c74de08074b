#include "http/header_block.h"

#include "common/text_ops.h"
#include "common/text_search.h"

namespace lc {
namespace {

Text capitalized_name(TextView name) {
  Text rebuilt;
  bool first = true;
  for (const Text& part : split(name, "-")) {
    if (!first) rebuilt.push_back('-');
    rebuilt.append(capitalize_first(part));
    first = false;
  }
  return rebuilt;
}

}  // namespace

Text normalize_header_names(TextView block) {
  Text result;
  for (const Text& line : split(block, kLineBreak)) {
    const TextPos colon = find(line, ":");
    if (colon == kNotFound) continue;
    // A name ending in '-' loses that '-' in the rebuilt name; it comes back with the rest.
    const Text name = capitalized_name(left(line, colon - 1));
    if (!result.empty()) result.append(kLineBreak);
    result.append(name).append(mid(line, length(name) + 1, length(line)));
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
