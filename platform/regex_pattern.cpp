#include "platform/regex_pattern.h"

namespace lc::platform {
namespace {

// The dot stops at every line terminator, not at the line feed alone.
constexpr std::u16string_view kAnyButLineTerminator = u"[^\\n\\r\\u2028\\u2029]";

// ECMAScript's white space and line terminators (what \s matches), and everything else.
#define LC_REGEX_SPACES                                                            \
  u"\\t\\n\\u000B\\f\\r \\u00A0\\u1680\\u180E\\u2000-\\u200A\\u2028\\u2029\\u202F" \
  u"\\u205F\\u3000\\uFEFF"
constexpr std::u16string_view kSpaces = LC_REGEX_SPACES;
constexpr std::u16string_view kNotSpaces =
    u"\\u0000-\\u0008\\u000E-\\u001F!-\\u009F\\u00A1-\\u167F\\u1681-\\u180D\\u180F-\\u1FFF"
    u"\\u200B-\\u2027\\u202A-\\u202E\\u2030-\\u205E\\u2060-\\u2FFF\\u3001-\\uFEFE\\uFF00-\\uFFFF";

// VBScript's class escapes, written for use inside a character class and outside one: \w, \d
// and \b keep their ASCII meanings; \s is every space and line terminator, as in ECMAScript.
// Unicode case folding widens the ASCII classes by two characters only, the long s (U+017F) and
// the Kelvin sign (U+212A); code page 936 holds neither, so no subject of ours can tell. Code
// points are written \uhhhh, the one such escape PCRE2 reads in VBScript's mode.
struct ClassEscape {
  char16_t letter;
  std::u16string_view in_class;
  std::u16string_view outside;
};

constexpr ClassEscape kClassEscapes[] = {
    {u'w', u"A-Za-z0-9_", u"[A-Za-z0-9_]"},
    {u'W', u"\\u0000-/:-@\\[-^`{-\\uFFFF", u"[^A-Za-z0-9_]"},
    {u'd', u"0-9", u"[0-9]"},
    {u'D', u"\\u0000-/:-\\uFFFF", u"[^0-9]"},
    {u's', kSpaces, u"[" LC_REGEX_SPACES u"]"},
    {u'S', kNotSpaces, u"[^" LC_REGEX_SPACES u"]"},
    // Inside a class \b is the backspace; outside, a word boundary.
    {u'b', u"\\u0008", u"(?:(?<=[A-Za-z0-9_])(?![A-Za-z0-9_])|(?<![A-Za-z0-9_])(?=[A-Za-z0-9_]))"},
    {u'B', u"B", u"(?:(?<=[A-Za-z0-9_])(?=[A-Za-z0-9_])|(?<![A-Za-z0-9_])(?![A-Za-z0-9_]))"},
};
#undef LC_REGEX_SPACES

bool is_digit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}
bool is_octal(char16_t unit) {
  return unit >= u'0' && unit <= u'7';
}

// Letters whose escapes PCRE2 reads as something VBScript does not know.
bool is_pcre2_only_letter(char16_t unit) {
  return std::u16string_view(u"ACEGHKNPQRXZaeghkloprzLU").find(unit) != std::u16string_view::npos;
}

std::size_t capture_group_count(std::u16string_view pattern) {
  std::size_t count = 0;
  bool in_class = false;
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    const char16_t unit = pattern[at];
    if (unit == u'\\') {
      ++at;
    } else if (in_class) {
      in_class = unit != u']';
    } else if (unit == u'[') {
      in_class = true;
    } else if (unit == u'(' && (at + 1 == pattern.size() || pattern[at + 1] != u'?')) {
      ++count;
    }
  }
  return count;
}

void append_code_unit_escape(std::u16string& out, unsigned value) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out += kHex[(value >> shift) & 0xF];
}

class Translator {
 public:
  explicit Translator(std::u16string_view pattern)
      : pattern_(pattern), groups_(capture_group_count(pattern)) {}

  std::u16string run() {
    out_.reserve(pattern_.size() + 16);
    for (std::size_t at = 0; at < pattern_.size(); ++at) {
      const char16_t unit = pattern_[at];
      if (unit == u'\\' && at + 1 < pattern_.size()) {
        at = escape(at + 1);
      } else if (in_class_) {
        // VBScript closes a class at its first ']', so "[]" and "[^]" are whole classes.
        if (unit == u']') in_class_ = false;
        // A '[' inside a class is a plain character; PCRE2 could read "[:" as a POSIX class.
        out_ += unit == u'[' ? u"\\[" : std::u16string(1, unit);
      } else {
        if (unit == u'[') in_class_ = true;
        out_ += unit == u'.' ? std::u16string(kAnyButLineTerminator) : std::u16string(1, unit);
      }
    }
    return std::move(out_);
  }

 private:
  // Translates the escape whose letter stands at `at`; returns the index of its last unit.
  std::size_t escape(std::size_t at) {
    const char16_t letter = pattern_[at];
    for (const ClassEscape& class_escape : kClassEscapes) {
      if (class_escape.letter != letter) continue;
      out_ += in_class_ ? class_escape.in_class : class_escape.outside;
      return at;
    }
    if (!in_class_ && is_digit(letter) && letter != u'0') return back_reference(at);
    if (letter == u'v') {
      out_ += u"\\u000B";
    } else if (letter == u'0' || (in_class_ && is_digit(letter))) {
      return octal(at);
    } else if (is_pcre2_only_letter(letter)) {
      out_ += letter;
    } else {
      out_ += u'\\';
      out_ += letter;
    }
    return at;
  }

  std::size_t back_reference(std::size_t at) {
    std::size_t end = at;
    unsigned number = 0;
    while (end < pattern_.size() && is_digit(pattern_[end]) && number < 1000) {
      number = number * 10 + (pattern_[end] - u'0');
      ++end;
    }
    if (number <= groups_) {
      // Braces keep a following literal digit out of the group number.
      out_ += u"\\g{";
      out_.append(pattern_.substr(at, end - at));
      out_ += u'}';
      return end - 1;
    }
    return octal(at);
  }

  // Up to three octal digits give a character; an 8 or 9 stands for itself.
  std::size_t octal(std::size_t at) {
    if (!is_octal(pattern_[at])) {
      out_ += pattern_[at];
      return at;
    }
    unsigned value = 0;
    std::size_t end = at;
    while (end < pattern_.size() && end < at + 3 && is_octal(pattern_[end]) &&
           value * 8 + (pattern_[end] - u'0') <= 0xFF) {
      value = value * 8 + (pattern_[end] - u'0');
      ++end;
    }
    append_code_unit_escape(out_, value);
    return end - 1;
  }

  std::u16string_view pattern_;
  std::size_t groups_;
  std::u16string out_;
  bool in_class_ = false;
};

}  // namespace

std::u16string to_pcre2_pattern(std::u16string_view pattern) {
  return Translator(pattern).run();
}

}  // namespace lc::platform
