#include "common/text_ops.h"

#include <algorithm>

#include "common/text_search.h"

namespace lc {
namespace {

constexpr TextView kFullWidthSpace = "\xA1\xA1";

std::size_t clip(TextPos n, std::size_t size) {
  if (n <= 0) return 0;
  return std::min(static_cast<std::size_t>(n), size);
}

std::size_t character_size(TextView text, std::size_t at) {
  return is_lead_byte(text[at]) && at + 1 < text.size() ? 2 : 1;
}

bool is_space_at(TextView text, std::size_t at) {
  return text[at] == ' ' || text.substr(at, 2) == kFullWidthSpace;
}

}  // namespace

Text left(TextView text, TextPos n) {
  return Text(text.substr(0, clip(n, text.size())));
}

Text right(TextView text, TextPos n) {
  const std::size_t count = clip(n, text.size());
  return Text(text.substr(text.size() - count));
}

Text mid(TextView text, TextPos start, TextPos n) {
  if (start < 1 || start > length(text) || n <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

Text replace(TextView text, TextView what, TextView by, bool ignore_case) {
  if (text.empty() || what.empty()) return Text(text);
  Text result;
  result.reserve(text.size());
  OccurrenceScanner scanner(text, what, ignore_case);
  std::size_t copied = 0;
  for (std::size_t at = scanner.next(); at != TextView::npos; at = scanner.next()) {
    result.append(text.substr(copied, at - copied)).append(by);
    copied = at + what.size();
  }
  result.append(text.substr(copied));
  return result;
}

TextList split(TextView text, TextView separator) {
  const std::vector<TextView> views = split_views(text, separator);
  return TextList(views.begin(), views.end());
}

std::vector<TextView> split_views(TextView text, TextView separator) {
  std::vector<TextView> segments;
  if (text.empty()) return segments;
  if (separator.empty()) return {text};
  OccurrenceScanner scanner(text, separator);
  std::size_t segment_start = 0;
  for (std::size_t at = scanner.next(); at != TextView::npos; at = scanner.next()) {
    segments.push_back(text.substr(segment_start, at - segment_start));
    segment_start = at + separator.size();
  }
  if (segment_start < text.size()) segments.push_back(text.substr(segment_start));
  return segments;
}

Text trim(TextView text) {
  return Text(trim_view(text));
}

TextView trim_view(TextView text) {
  std::size_t begin = 0;
  while (begin < text.size() && is_space_at(text, begin))
    begin += character_size(text, begin);
  // Walk forward so that the end is found on a character boundary.
  std::size_t end = begin;
  for (std::size_t at = begin; at < text.size(); at += character_size(text, at)) {
    if (!is_space_at(text, at)) end = at + character_size(text, at);
  }
  return text.substr(begin, end - begin);
}

Text upper(TextView text) {
  Text result(text);
  for (std::size_t at = 0; at < result.size(); at += character_size(result, at)) {
    if (result[at] >= 'a' && result[at] <= 'z') result[at] = static_cast<char>(result[at] - 32);
  }
  return result;
}

}  // namespace lc
