#pragma once
// Cuts a fuzzer's bytes into several arguments: pieces separated by a 0xFF 0x00 pair.

#include <cstdint>
#include <string_view>

#include "common/text.h"

namespace lc::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  Text piece() {
    constexpr std::string_view kCut("\xFF\0", 2);
    const std::size_t cut = rest_.find(kCut);
    const Text result(rest_.substr(0, cut));
    rest_ = cut == std::string_view::npos ? std::string_view() : rest_.substr(cut + kCut.size());
    return result;
  }

  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto value = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }

 private:
  std::string_view rest_;
};

}  // namespace lc::fuzz
