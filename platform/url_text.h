#pragma once
// Turning URLs into the bytes that go on the wire.

#include <string>
#include <string_view>

namespace lc::platform {

// The URL as a browser sends it: UTF-8, with every byte outside printable ASCII and every space
// percent-encoded.
std::string wire_url(std::u16string_view url);

// A URL given as bytes (a Location header's value) as it goes on the wire: its bytes as they
// stand, those outside printable ASCII and spaces percent-encoded.
std::string percent_encoded(std::string_view url);

}  // namespace lc::platform
