// Code page 936 through Windows' own conversions.
#include "platform/text_encodings.h"

#include <windows.h>

namespace lc::platform {
namespace {

constexpr UINT kCodePage936 = 936;

}  // namespace

std::u16string cp936_to_utf16(TextView text) {
  if (text.empty()) return {};
  const auto size = static_cast<int>(text.size());
  const int count = MultiByteToWideChar(kCodePage936, 0, text.data(), size, nullptr, 0);
  std::u16string units(static_cast<std::size_t>(count), u'\0');
  MultiByteToWideChar(kCodePage936, 0, text.data(), size, reinterpret_cast<wchar_t*>(units.data()),
                      count);
  return units;
}

Text utf16_to_cp936(std::u16string_view units) {
  if (units.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const auto size = static_cast<int>(units.size());
  // The composite check folds a base character and its combining marks first.
  const int count = WideCharToMultiByte(kCodePage936, WC_COMPOSITECHECK, wide, size, nullptr, 0,
                                        nullptr, nullptr);
  Text text(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(kCodePage936, WC_COMPOSITECHECK, wide, size, text.data(), count, nullptr,
                      nullptr);
  return text;
}

}  // namespace lc::platform
