#pragma once
// The window system's strings are UTF-16 (the wide calls), so that typed and pasted text of any
// script arrives whole; the program's texts stay code page 936, converted here at the boundary.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/text_encodings.h"

namespace lc::platform::windows {

inline std::wstring text_to_wide(TextView text) {
  const std::u16string units = cp936_to_utf16(text);
  return std::wstring(units.begin(), units.end());
}

inline Text wide_to_text(std::wstring_view wide) {
  return utf16_to_cp936(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// The whole text of a window as the window system holds it.
inline std::wstring window_wide_text(HWND window) {
  std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  wide.resize(static_cast<std::size_t>(GetWindowTextW(window, wide.data(), int(wide.size()))));
  return wide;
}

// The whole text of a window, as a text of ours.
inline Text window_text(HWND window) {
  return wide_to_text(window_wide_text(window));
}

}  // namespace lc::platform::windows
