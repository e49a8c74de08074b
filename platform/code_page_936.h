#pragma once
// Code page 936 (Microsoft's mapping, with the euro sign at 0x80) to and from UTF-16.

#include <string>
#include <string_view>

#include "common/text.h"

namespace lc::platform {

// Bytes the code page does not map become U+FFFD.
std::u16string cp936_to_utf16(TextView text);

// A base character followed by combining marks is first folded to its precomposed form; what the
// code page lacks becomes one "?" per code point, as the Windows conversion does by default.
Text utf16_to_cp936(std::u16string_view units);

}  // namespace lc::platform
