#include "common/marked_text.h"

#include "common/text_ops.h"
#include "common/text_search.h"

namespace lc {

Text replace_quote_markers(TextView text) {
  return replace(text, kQuoteMarker, "\"");
}

Text text_between_markers(TextView text, TextView start_marker, TextView end_marker,
                          TextPos start_position, bool ignore_case) {
  const Text start = replace_quote_markers(start_marker);
  const Text end = replace_quote_markers(end_marker);
  const TextPos start_at = find(text, start, start_position, ignore_case);
  if (start_at == kNotFound) return {};
  const TextPos begin = start_at + length(start);
  const TextPos end_at = find(text, end, begin, ignore_case);
  if (end_at == kNotFound) return {};
  return mid(text, begin, end_at - begin);
}

}  // namespace lc
