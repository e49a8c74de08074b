#include "platform/text_encodings.h"

#include <windows.h>

namespace lc::platform {

std::string utf16_to_utf8(std::u16string_view units) {
  if (units.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const auto size = static_cast<int>(units.size());
  // Without a flag Windows writes U+FFFD for a lone surrogate.
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, size, bytes.data(), count, nullptr, nullptr);
  return bytes;
}

std::u16string utf8_to_utf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  const auto size = static_cast<int>(bytes.size());
  // Without MB_ERR_INVALID_CHARS Windows writes U+FFFD for a malformed sequence.
  const int count = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  std::u16string units(static_cast<std::size_t>(count), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(units.data()),
                      count);
  return units;
}

}  // namespace lc::platform
