// Text that came from UTF-16 survives the way back and forth unchanged.
#include <cstdint>
#include <cstdlib>

#include "http/utf16_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const lc::ByteArray units(data, data + size);
  const lc::Text text = lc::utf16_to_text(units);
  if (text.find('\0') != lc::Text::npos) std::abort();
  // Valid code page 936 text is the identity through UTF-16.
  const lc::ByteArray there = lc::text_to_utf16(text);
  if (!text.empty() && there.size() < 4) std::abort();
  if (lc::utf16_to_text(there) != text) std::abort();
  return 0;
}
