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

}  // namespace lc::platform
