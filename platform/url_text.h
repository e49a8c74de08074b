#pragma once
// Turning UTF-16 URLs into the bytes that go on the wire.

#include <string>
#include <string_view>

#include "platform/utf8_text.h"

namespace lc::platform {

// The URL as a browser sends it: UTF-8, with every byte outside printable ASCII and every space
// percent-encoded.
std::string wire_url(std::u16string_view url);

}  // namespace lc::platform
