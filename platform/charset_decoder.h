#pragma once
// Decoding bytes in a character set named the way web pages name theirs.

#include <optional>
#include <string>
#include <string_view>

namespace lc::platform {

// Decodes `bytes` in the encoding that `label` names, resolved as browsers resolve a page's
// charset label (so "gb2312" means GBK, "iso-8859-1" windows-1252, "unicode" UTF-16LE). A
// byte-order mark of that encoding is dropped. Nothing for a label that names no encoding.
std::optional<std::u16string> decode_charset(std::string_view label, std::string_view bytes);

}  // namespace lc::platform
