#pragma once
// Header blocks: lines of "Name: value" separated by CR LF. Names compare case-sensitively.

#include "common/text.h"

namespace lc {

inline constexpr TextView kLineBreak = "\r\n";

// The header lines (those holding a ':') with the first letter of the name and every letter
// right after a '-' in it upper-cased; joined by CR LF with none after the last line.
Text normalize_header_names(TextView block);

// The value after "name: " on the first line that begins with `name`; empty when that line
// lacks "name: " or no line begins with `name`.
Text get_header_value(TextView block, TextView name);

// What follows the last occurrence of `marker` that ends before the text's last byte.
Text text_after_marker(TextView text, TextView marker);

// What precedes the first occurrence of `marker`; empty when there is none.
Text text_before_marker(TextView text, TextView marker);

// `text` with its first byte upper-cased when that is an ASCII letter a to z.
Text capitalize_first(TextView text);

}  // namespace lc
