#pragma once
// The body as text: converted from the character set its page's meta element declares.

#include "common/text.h"
#include "regex/regex_object.h"

namespace lc {

// The name of the character set declared in the first 1,024 bytes of `body_text`; nothing when
// the search itself failed, empty text when there is no declaration.
std::optional<Text> declared_charset(RegexObject& regex, TextView body_text);

// The whole body (zero bytes included) decoded from `charset` into code page 936 text, ending at
// its first zero; nothing when no converter knows the name.
std::optional<Text> converted_body(TextView charset, TextView body);

}  // namespace lc
