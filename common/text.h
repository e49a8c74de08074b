#pragma once
// The three value types every layer shares.
//
// Text holds code page 936 bytes. Positions into a text are 1-based byte positions and -1 means
// "not found"; a byte of 0x80 or more together with the byte after it is one double-byte
// character, and every scan steps over such a pair as one unit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lc {

using Text = std::string;
using TextView = std::string_view;
using TextPos = std::ptrdiff_t;
inline constexpr TextPos kNotFound = -1;

// Raw bytes that may hold zero bytes (a body, UTF-16 units); kept apart from Text in signatures.
using ByteArray = std::vector<std::uint8_t>;

// Ordered texts; the tool counts its items from 1 where it reports an index.
using TextList = std::vector<Text>;

inline bool is_lead_byte(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

}  // namespace lc
