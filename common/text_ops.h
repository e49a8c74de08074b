#pragma once
// The text operations every layer shares. Positions are 1-based bytes; lengths count bytes.

#include "common/text.h"

namespace lc {

inline TextPos length(TextView text) {
  return static_cast<TextPos>(text.size());
}

// The first / last `n` bytes: empty for n <= 0, the whole text for n beyond its length.
Text left(TextView text, TextPos n);
Text right(TextView text, TextPos n);

// `n` bytes from the 1-based `start`; empty when start is outside the text or n <= 0.
Text mid(TextView text, TextPos start, TextPos n);

// Every occurrence of `what`, left to right without overlap, replaced by `by`.
Text replace(TextView text, TextView what, TextView by, bool ignore_case = false);

// The segments between separators; a separator at the very end gives no empty last segment.
TextList split(TextView text, TextView separator);
// The same segments, as views into `text`.
std::vector<TextView> split_views(TextView text, TextView separator);

// Leading and trailing spaces removed: the byte 0x20 and the full-width space 0xA1 0xA1 only.
Text trim(TextView text);
// The same, as a view into `text`.
TextView trim_view(TextView text);

// Single-byte a to z upper-cased; double-byte characters untouched.
Text upper(TextView text);

}  // namespace lc
