#pragma once
// Cutting a value out of a text between two markers, without parsing the text.

#include "common/text.h"

namespace lc {

// "#引号": stands for a double quote inside markers and patterns, which are often written where a
// double quote would end the string.
inline constexpr TextView kQuoteMarker = "#\xD2\xFD\xBA\xC5";

// `text` with every quote marker (at character boundaries, left to right) turned into '"'.
Text replace_quote_markers(TextView text);

// The part of `text` after the first `start_marker` at or after `start_position` and before the
// next `end_marker` after it; empty when either is missing. Quote markers in both markers count
// as '"'; `ignore_case` folds ASCII letters in both searches.
Text text_between_markers(TextView text, TextView start_marker, TextView end_marker,
                          TextPos start_position = 1, bool ignore_case = false);

}  // namespace lc
