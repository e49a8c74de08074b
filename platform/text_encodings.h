#pragma once
// Every conversion between the encodings the tool meets: its own texts (code page 936), the
// UTF-16 of the platform's interfaces, the UTF-8 of the wire and the terminal, and raw bytes
// carried in UTF-16 units. Each name says which way it goes.

#include <string>
#include <string_view>

#include "common/text.h"

namespace lc::platform {

// Code page 936 (Microsoft's mapping, with the euro sign at 0x80) to UTF-16; bytes the code page
// does not map become U+FFFD.
std::u16string cp936_to_utf16(TextView text);

// A base character followed by combining marks is first folded to its precomposed form; what the
// code page lacks becomes one "?" per code point, as the Windows conversion does by default.
Text utf16_to_cp936(std::u16string_view units);

// UTF-8 of `units`, with a lone surrogate as U+FFFD.
std::string utf16_to_utf8(std::u16string_view units);

// UTF-16 of UTF-8 `bytes`, with each malformed sequence as U+FFFD.
std::u16string utf8_to_utf16(std::string_view bytes);

// The two ways between the client's texts and the UTF-8 of terminals, files and JSON.
inline std::string cp936_to_utf8(TextView text) {
  return utf16_to_utf8(cp936_to_utf16(text));
}
inline Text utf8_to_cp936(std::string_view bytes) {
  return utf16_to_cp936(utf8_to_utf16(bytes));
}

// Each byte as the unit of the same value, 0 to 255: a byte never becomes a negative unit.
inline std::u16string bytes_to_utf16(std::string_view bytes) {
  std::u16string units(bytes.size(), u'\0');
  for (std::size_t at = 0; at < bytes.size(); ++at)
    units[at] = static_cast<unsigned char>(bytes[at]);
  return units;
}

// The way back, for units known to be bytes (names and verbs of ASCII); a larger unit becomes "?".
inline std::string utf16_to_bytes(std::u16string_view units) {
  std::string bytes(units.size(), '\0');
  for (std::size_t at = 0; at < units.size(); ++at)
    bytes[at] = units[at] <= 0xFF ? static_cast<char>(units[at]) : '?';
  return bytes;
}

}  // namespace lc::platform
