#include "platform/windows/win32_long_lines.h"

#include <algorithm>

#include "platform/windows/win32_text.h"

namespace lc::platform::windows {
namespace {

std::wstring clipboard_text(HWND owner) {
  std::wstring text;
  if (!OpenClipboard(owner)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// The box's text with its selection replaced by `inserted`, the caret after it.
EditOutcome with_selection_replaced(HWND box, std::wstring_view inserted) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::wstring text = window_wide_text(box);
  start = std::min<DWORD>(start, DWORD(text.size()));
  end = std::clamp<DWORD>(end, start, DWORD(text.size()));
  text.replace(start, end - start, inserted);
  return {std::move(text), start + DWORD(inserted.size())};
}

}  // namespace

bool holds_long_line(std::wstring_view text) {
  std::size_t line = 0;
  for (const wchar_t c : text) {
    line = c == L'\r' || c == L'\n' ? 0 : line + 1;
    if (line > kLongestWrappedLine) return true;
  }
  return false;
}

bool wraps_lines(HWND box) {
  return (GetWindowLongW(box, GWL_STYLE) & ES_AUTOHSCROLL) == 0;
}

std::optional<EditOutcome> outcome_of(HWND box, UINT message, LPARAM l) {
  const auto* given = reinterpret_cast<const wchar_t*>(l);
  switch (message) {
    case WM_SETTEXT:
      return EditOutcome{given != nullptr ? given : L"", 0};
    case EM_REPLACESEL:
      return with_selection_replaced(box, given != nullptr ? given : L"");
    case WM_PASTE:
      return with_selection_replaced(box, clipboard_text(box));
    default:
      return std::nullopt;
  }
}

}  // namespace lc::platform::windows
