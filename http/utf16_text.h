#pragma once
// Texts at the transport boundary, which speaks UTF-16LE.

#include <string>

#include "common/text.h"

namespace lc {

// UTF-16LE units of `text` (up to a zero byte) plus one zero unit; empty for an empty text.
ByteArray text_to_utf16(TextView text);

// The text of UTF-16LE `units` up to the first zero unit; an odd last byte is ignored.
Text utf16_to_text(const ByteArray& units);

// The same two conversions for the transport, which takes and gives strings of UTF-16 units.
std::u16string text_to_utf16_units(TextView text);
Text utf16_units_to_text(std::u16string_view units);

}  // namespace lc
