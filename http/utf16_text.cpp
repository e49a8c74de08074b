#include "http/utf16_text.h"

#include "platform/text_encodings.h"

namespace lc {

ByteArray text_to_utf16(TextView text) {
  const std::u16string units = text_to_utf16_units(text);
  if (units.empty()) return {};
  ByteArray bytes((units.size() + 1) * 2, 0);
  for (std::size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return bytes;
}

std::u16string text_to_utf16_units(TextView text) {
  return platform::cp936_to_utf16(text.substr(0, text.find('\0')));
}

Text utf16_units_to_text(std::u16string_view units) {
  return platform::utf16_to_cp936(units.substr(0, units.find(u'\0')));
}

Text utf16_to_text(const ByteArray& units) {
  std::u16string decoded;
  decoded.reserve(units.size() / 2);
  for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
    decoded.push_back(static_cast<char16_t>(units[i] | (units[i + 1] << 8)));
  }
  return utf16_units_to_text(decoded);
}

}  // namespace lc
