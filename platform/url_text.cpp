#include "platform/url_text.h"

#include "platform/text_encodings.h"

namespace lc::platform {

std::string percent_encoded(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      encoded.push_back(c);
    } else {
      encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return encoded;
}

std::string wire_url(std::u16string_view url) {
  return percent_encoded(utf16_to_utf8(url));
}

}  // namespace lc::platform
