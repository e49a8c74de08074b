#pragma once
// Lets tests write code page 936 texts readably, as UTF-8 literals.

#include <string_view>

#include "common/text.h"

namespace lc::test {

// The code page 936 bytes of a UTF-8 literal.
Text gbk(std::string_view utf8);

}  // namespace lc::test
