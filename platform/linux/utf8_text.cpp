#include "platform/text_encodings.h"

#include <unicode/ustring.h>

namespace lc::platform {

std::string utf16_to_utf8(std::u16string_view units) {
  if (units.empty()) return {};
  std::string bytes(units.size() * 3, '\0');  // a unit gives at most three bytes
  int32_t written = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(bytes.data(), static_cast<int32_t>(bytes.size()), &written, units.data(),
                     static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
  bytes.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(written));
  return bytes;
}

std::u16string utf8_to_utf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  std::u16string units(bytes.size(), u'\0');  // a byte gives at most one unit
  int32_t written = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &written, bytes.data(),
                       static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr, &status);
  units.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(written));
  return units;
}

}  // namespace lc::platform
