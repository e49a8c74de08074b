#pragma once
// The system's edit control lays out a wrapped line again from each place it breaks it, so an
// unbroken line costs time that grows with the square of its length: 5 MB pasted in one line
// would freeze the window. A multi-line box about to hold a line longer than kLongestWrappedLine
// is therefore made again without word wrap (the line scrolls sideways), and made again with it
// once it holds no such line, whether given new text or edited. Ordinary lists keep the wrapped
// look.

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lc::platform::windows {

// Far longer than any link, far shorter than a line that takes wrapping noticeable time.
inline constexpr std::size_t kLongestWrappedLine = 4096;

// Whether `text` holds a line (between CR and LF breaks) longer than kLongestWrappedLine.
bool holds_long_line(std::wstring_view text);

// Whether the edit box breaks its lines at its right edge.
bool wraps_lines(HWND box);

struct EditOutcome {
  std::wstring text;  // the box's whole text
  DWORD caret = 0;
};

// What `box` will hold once it has handled `message` when that message brings text (a paste, a
// replaced selection, a new text), and where its caret will stand; nothing for other messages.
std::optional<EditOutcome> outcome_of(HWND box, UINT message, LPARAM l);

}  // namespace lc::platform::windows
