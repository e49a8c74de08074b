#include "platform/linux/regex_pattern.h"

#include <string>
#include <vector>

#include "common/ascii_text.h"
#include "platform/linux/regex_budget_callouts.h"

namespace lc::platform {
namespace {

// ECMAScript's line terminators: the dot stops at each, and multiline anchors meet each (a CR LF
// is two of them, so an empty line lies between its CR and its LF).
#define LC_REGEX_LINE_TERMINATORS u"\\n\\r\\u2028\\u2029"
constexpr std::u16string_view kAnyButLineTerminator = u"[^" LC_REGEX_LINE_TERMINATORS u"]";
constexpr std::u16string_view kLineStart = u"(?<![^" LC_REGEX_LINE_TERMINATORS u"])";
constexpr std::u16string_view kLineEnd = u"(?![^" LC_REGEX_LINE_TERMINATORS u"])";
#undef LC_REGEX_LINE_TERMINATORS

// Word boundaries compare ASCII word characters exactly, whatever the case mode.
#define LC_REGEX_WORD u"[A-Za-z0-9_]"
constexpr std::u16string_view kWordBoundary =
    u"(?-i:(?<"
    u"=" LC_REGEX_WORD u")(?!" LC_REGEX_WORD u")|(?<!" LC_REGEX_WORD u")(?=" LC_REGEX_WORD u"))";
constexpr std::u16string_view kNotWordBoundary =
    u"(?-i:(?<"
    u"=" LC_REGEX_WORD u")(?=" LC_REGEX_WORD u")|(?<!" LC_REGEX_WORD u")(?!" LC_REGEX_WORD u"))";
#undef LC_REGEX_WORD

// Under Unicode case folding PCRE2 makes the long s (U+017F) a case of s and the Kelvin sign
// (U+212A) one of k. By ECMAScript's rule, which VBScript follows, a character beyond ASCII never
// matches an ASCII letter by case, and these two match only themselves. They are the only such
// pairs, so atoms that meet these six characters match them by that rule, case-sensitively.
constexpr std::u16string_view kFoldSuspects = u"sS\u017FkK\u212A";
using SuspectSet = unsigned;  // one bit per character of kFoldSuspects
constexpr SuspectSet kAllSuspects = 0b111111;
constexpr SuspectSet kLetterS = 0b000011;
constexpr SuspectSet kLetterK = 0b011000;

SuspectSet suspect_bit(char16_t unit) {
  const std::size_t at = kFoldSuspects.find(unit);
  return at == std::u16string_view::npos ? 0 : 1u << at;
}

SuspectSet suspects_between(char16_t first, char16_t last) {
  SuspectSet set = 0;
  for (const char16_t suspect : kFoldSuspects) {
    if (suspect >= first && suspect <= last) set |= suspect_bit(suspect);
  }
  return set;
}

// Case-insensitive matching by ECMAScript's rule pairs s with S and k with K, and nothing else.
SuspectSet closed_under_case(SuspectSet set) {
  if (set & kLetterS) set |= kLetterS;
  if (set & kLetterK) set |= kLetterK;
  return set;
}

void append_code_unit_escape(std::u16string& out, unsigned value) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out += kHex[(value >> shift) & 0xF];
}

std::u16string suspect_class(SuspectSet set) {
  std::u16string out = u"[";
  for (std::size_t at = 0; at < kFoldSuspects.size(); ++at) {
    if (set & (1u << at)) append_code_unit_escape(out, kFoldSuspects[at]);
  }
  return out + u']';
}

// ECMAScript's white space and line terminators (what \s matches), and everything else.
#define LC_REGEX_SPACES                                                            \
  u"\\t\\n\\u000B\\f\\r \\u00A0\\u1680\\u180E\\u2000-\\u200A\\u2028\\u2029\\u202F" \
  u"\\u205F\\u3000\\uFEFF"
constexpr std::u16string_view kSpaces = LC_REGEX_SPACES;
constexpr std::u16string_view kNotSpaces =
    u"\\u0000-\\u0008\\u000E-\\u001F!-\\u009F\\u00A1-\\u167F\\u1681-\\u180D\\u180F-\\u1FFF"
    u"\\u200B-\\u2027\\u202A-\\u202E\\u2030-\\u205E\\u2060-\\u2FFF\\u3001-\\uFEFE\\uFF00-\\uFFFF";

// The same, as pairs of first and last units.
constexpr std::u16string_view kSpaceRanges =
    u"\t\r  \u00A0\u00A0\u1680\u1680\u180E\u180E\u2000\u200A\u2028\u2029\u202F\u202F"
    u"\u205F\u205F\u3000\u3000\uFEFF\uFEFF";

icu::UnicodeSet units_in_ranges(std::u16string_view ranges) {
  icu::UnicodeSet units;
  for (std::size_t at = 0; at + 1 < ranges.size(); at += 2)
    units.add(ranges[at], ranges[at + 1]);
  return units;
}

// VBScript's class escapes, written for use inside a character class and outside one: \w and \d
// keep their ASCII meanings; \s is every space and line terminator, as in ECMAScript. `core` is
// the set of suspects in the unnegated class, `core_ranges` its units.
struct ClassEscape {
  char16_t letter;
  std::u16string_view in_class;
  std::u16string_view outside;
  SuspectSet core;
  std::u16string_view core_ranges;
  bool negated;

  SuspectSet members() const { return negated ? kAllSuspects & ~core : core; }
  icu::UnicodeSet units() const {
    icu::UnicodeSet units = units_in_ranges(core_ranges);
    return negated ? units.complement() : units;
  }
};

constexpr ClassEscape kClassEscapes[] = {
    {u'w', u"A-Za-z0-9_", u"[A-Za-z0-9_]", kLetterS | kLetterK, u"AZaz09__", false},
    {u'W', u"\\u0000-/:-@\\[-^`{-\\uFFFF", u"[^A-Za-z0-9_]", kLetterS | kLetterK, u"AZaz09__",
     true},
    {u'd', u"0-9", u"[0-9]", 0, u"09", false},
    {u'D', u"\\u0000-/:-\\uFFFF", u"[^0-9]", 0, u"09", true},
    {u's', kSpaces, u"[" LC_REGEX_SPACES u"]", 0, kSpaceRanges, false},
    {u'S', kNotSpaces, u"[^" LC_REGEX_SPACES u"]", 0, kSpaceRanges, true},
};
#undef LC_REGEX_SPACES

// What the dot matches: all but the line terminators.
icu::UnicodeSet any_but_line_terminator() {
  icu::UnicodeSet units = units_in_ranges(u"\n\n\r\r\u2028\u2029");
  return units.complement();
}

const ClassEscape* class_escape_named(char16_t letter) {
  for (const ClassEscape& escape : kClassEscapes) {
    if (escape.letter == letter) return &escape;
  }
  return nullptr;
}

bool is_octal(char16_t unit) {
  return unit >= u'0' && unit <= u'7';
}
int hex_value(char16_t unit) {
  if (is_ascii_digit(unit)) return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

// A character class being translated.
struct OpenClass {
  std::size_t start = 0;  // where its text begins in out_
  bool negated = false;
  SuspectSet members = 0;               // before negation
  icu::UnicodeSet units;                // before negation
  std::optional<char16_t> range_first;  // a unit that a following '-' makes a range from
  bool range_open = false;
};

class Translator {
 public:
  Translator(std::u16string_view pattern, PatternOptions options)
      : pattern_(pattern), options_(options), groups_(plan_groups(pattern)) {}

  std::optional<Pcre2Pattern> run() {
    out_.reserve(pattern_.size() + 16);
    for (at_ = 0; at_ < pattern_.size(); ++at_) {
      if (!(class_ ? class_unit() : unit())) return std::nullopt;
    }
    if (!open_groups_.empty()) return std::nullopt;
    settle_follower(false);  // a repeat that ends the pattern has nothing to give back for
    insert_budget_callouts(out_, budget_looks_);
    return Pcre2Pattern{std::move(out_), machine_code_agrees_, std::move(groups_)};
  }

 private:
  // Each step translates the unit at at_ and leaves at_ on the last unit it took; false when
  // the pattern is refused.
  bool unit() {
    const char16_t unit = pattern_[at_];
    if (const std::size_t end = quantifier_end(at_)) return quantifier(end);
    atom_start_ = out_.size();
    switch (unit) {
      case u'\\':
        return escape();
      case u'[':
        open_class();
        return true;
      case u'.':
        out_ += kAnyButLineTerminator;
        atom(any_but_line_terminator());
        return true;
      case u'(':
        atom_start_ = kNoAtom;
        return group();
      case u')':
        atom_start_ = kNoAtom;
        return close_group();
      case u'|':
        atom_start_ = kNoAtom;
        // An alternative that ends the pattern ends the match.
        settle_follower(!open_groups_.empty());
        out_ += unit;
        return true;
      case u'^':
      case u'$':
        atom_start_ = kNoAtom;
        settle_follower(true);
        return anchor(unit);
      default:
        literal(unit, false);
        return true;
    }
  }

  // The index after a quantifier that begins at `at`; 0 when none begins there.
  std::size_t quantifier_end(std::size_t at) const { return quantifier_at(pattern_, at).end; }

  // PCRE2 would read a quantifier after a quantifier (past one lazy '?') as possessive or as a
  // repeat of the repeat; VBScript refuses both.
  bool quantifier(std::size_t end) {
    if (atom_start_ != kNoAtom && quantifier_at(pattern_, at_).repeats) {
      if (repeats_open_ > 0 || lookarounds_open_ > 0 || behind_giving_back_) {
        budget_looks_.push_back(atom_start_);
      }
      awaiting_follower_ = std::move(atom_units_);
    }
    atom_start_ = kNoAtom;
    out_.append(pattern_.substr(at_, end - at_));
    at_ = end - 1;
    if (at_ + 1 < pattern_.size() && pattern_[at_ + 1] == u'?') {
      out_ += u'?';
      ++at_;
    }
    return quantifier_end(at_ + 1) == 0;
  }

  bool anchor(char16_t unit) {
    if (quantifier_end(at_ + 1)) return false;
    if (options_.multiline) {
      out_ += unit == u'^' ? kLineStart : kLineEnd;
    } else {
      out_ += unit;  // the subject's ends: PCRE2 reads '$' so without its multiline mode
    }
    return true;
  }

  // Only (?: (?= and (?! are VBScript's; PCRE2 would read other forms and its verbs.
  bool group() {
    const bool captured_for_iterations = groups_.captured_for_iterations[parens_];
    const bool repeats = groups_.repeats[parens_];
    if (groups_.skippable[parens_++]) settle_follower(true);
    const char16_t next = at_ + 1 < pattern_.size() ? pattern_[at_ + 1] : u'\0';
    if (next == u'*') return false;
    const bool lookaround = next == u'?' && at_ + 2 < pattern_.size() && pattern_[at_ + 2] != u':';
    if (next != u'?') captures_closed_.push_back(false);
    open_groups_.push_back({next == u'?' ? 0 : ++captures_opened_, repeats, lookaround});
    if (repeats) ++repeats_open_;
    if (lookaround) {
      ++lookarounds_open_;
      settle_follower(true);
    }
    if (next != u'?') {
      out_ += u'(';
      return true;
    }
    if (at_ + 2 >= pattern_.size() ||
        std::u16string_view(u":=!").find(pattern_[at_ + 2]) == std::u16string_view::npos) {
      return false;
    }
    out_.append(captured_for_iterations ? pattern_.substr(at_, 1) : pattern_.substr(at_, 3));
    at_ += 2;
    return true;
  }

  // A single-unit atom has been translated: it is what the last repeat's atom is followed by, and
  // what a quantifier after it repeats.
  void atom(icu::UnicodeSet units) {
    if (awaiting_follower_) {
      const bool optional = quantifier_at(pattern_, at_ + 1).optional;
      settle_follower(optional || units_overlap(*awaiting_follower_, units, options_.ignore_case));
    }
    atom_units_ = std::move(units);
  }

  // Settles whether the last repeat's atom may give back a unit that what follows it matches.
  void settle_follower(bool gives_back) {
    if (!awaiting_follower_) return;
    behind_giving_back_ = behind_giving_back_ || gives_back;
    awaiting_follower_.reset();
  }

  bool close_group() {
    if (open_groups_.empty()) return false;
    const OpenGroup closed = open_groups_.back();
    if (closed.repeats) --repeats_open_;
    if (closed.lookaround) --lookarounds_open_;
    if (closed.number != 0) captures_closed_[closed.number] = true;
    // What follows a repeated group may be its own start again, and each iteration it gives back
    // enters what follows once more.
    if (closed.repeats || closed.lookaround) settle_follower(true);
    behind_giving_back_ = behind_giving_back_ || closed.repeats;
    open_groups_.pop_back();
    out_ += u')';
    return true;
  }

  bool escape() {
    if (at_ + 1 >= pattern_.size()) return false;
    const char16_t letter = pattern_[++at_];
    if (const ClassEscape* escape = class_escape_named(letter)) {
      const std::size_t start = out_.size();
      out_ += escape->outside;
      guard_suspects(start, escape->core, escape->negated);
      atom(escape->units());
      return true;
    }
    if (letter == u'b' || letter == u'B') {
      if (quantifier_end(at_ + 1)) return false;
      atom_start_ = kNoAtom;
      settle_follower(true);
      out_ += letter == u'b' ? kWordBoundary : kNotWordBoundary;
      return true;
    }
    if (is_ascii_digit(letter) && letter != u'0' && back_reference()) return true;
    literal(escaped_unit(false).value_or(u'\\'), true);
    return true;
  }

  // A back-reference when the digits from at_ name a group the pattern has.
  bool back_reference() {
    std::size_t end = at_;
    unsigned number = 0;
    while (end < pattern_.size() && is_ascii_digit(pattern_[end]) && number < 1000) {
      number = number * 10 + (pattern_[end] - u'0');
      ++end;
    }
    if (number >= groups_.numbers.size()) return false;
    // PCRE2's two matchers answer differently for a back-reference met again while its group is
    // unset or open: one inside a repeat, repeated itself, or to a group not yet closed.
    const bool group_open = number > captures_opened_ || !captures_closed_[number];
    if (group_open || repeats_open_ > 0 || quantifier_at(pattern_, end).repeats) {
      machine_code_agrees_ = false;
    }
    // Its text may be anything, and may be empty.
    atom_start_ = kNoAtom;
    settle_follower(true);
    // Braces keep a following literal digit out of the group number.
    std::u16string digits;
    for (const char digit : std::to_string(groups_.numbers[number]))
      digits += static_cast<char16_t>(digit);
    out_ += options_.unicode_case ? u"(?:\\g{" + digits + u"}(?C{" + digits + u"}))"
                                  : u"\\g{" + digits + u'}';
    at_ = end - 1;
    return true;
  }

  // The unit that the escape whose letter stands at at_ stands for; letters without a meaning of
  // their own stand for themselves. Empty for a \c that stands for a backslash: at_ then moves
  // back, so that the 'c' is read again as itself.
  std::optional<char16_t> escaped_unit(bool in_class) {
    const char16_t letter = pattern_[at_];
    switch (letter) {
      case u't':
        return u'\t';
      case u'n':
        return u'\n';
      case u'v':
        return u'\v';
      case u'f':
        return u'\f';
      case u'r':
        return u'\r';
      case u'x':
        return hex_digits(2).value_or(letter);
      case u'u':
        return hex_digits(4).value_or(letter);
      case u'c':
        return control_unit(in_class);
      default:
        return is_octal(letter) ? octal() : letter;
    }
  }

  std::optional<char16_t> hex_digits(std::size_t count) {
    if (at_ + count >= pattern_.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t at = at_ + 1; at <= at_ + count; ++at) {
      const int digit = hex_value(pattern_[at]);
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    at_ += count;
    return static_cast<char16_t>(value);
  }

  // \c and an ASCII letter (in a class also a digit or '_') is the letter's code modulo 32; any
  // other \c is a backslash followed by a 'c'.
  std::optional<char16_t> control_unit(bool in_class) {
    const char16_t next = at_ + 1 < pattern_.size() ? pattern_[at_ + 1] : u'\0';
    const bool letter = (next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z');
    if (!letter && !(in_class && (is_ascii_digit(next) || next == u'_'))) {
      --at_;
      return std::nullopt;
    }
    ++at_;
    return static_cast<char16_t>(next % 32);
  }

  // Up to three octal digits, as long as the value stays within one byte.
  char16_t octal() {
    unsigned value = pattern_[at_] - u'0';
    for (std::size_t taken = 1; taken < 3 && at_ + 1 < pattern_.size(); ++taken) {
      const char16_t next = pattern_[at_ + 1];
      if (!is_octal(next) || value * 8 + (next - u'0') > 0xFF) break;
      value = value * 8 + (next - u'0');
      ++at_;
    }
    return static_cast<char16_t>(value);
  }

  void literal(char16_t value, bool escaped) {
    atom(icu::UnicodeSet(value, value));
    if (options_.unicode_case && suspect_bit(value)) {
      out_ += u"(?-i:" + suspect_class(closed_under_case(suspect_bit(value))) + u")";
    } else if (escaped) {
      append_code_unit_escape(out_, value);
    } else {
      out_ += value;
    }
  }

  // Rewrites the atom from `start` to the end of out_, a class whose unnegated members include
  // `members` among the suspects, so that it matches the suspects by ECMAScript's case rule.
  void guard_suspects(std::size_t start, SuspectSet members, bool negated) {
    if (!options_.unicode_case || members == 0) return;
    const SuspectSet matched =
        negated ? kAllSuspects & ~closed_under_case(members) : closed_under_case(members);
    std::u16string guarded = u"(?:(?!" + suspect_class(kAllSuspects) + u")";
    guarded.append(out_, start);
    if (matched != 0) guarded += u"|(?-i:" + suspect_class(matched) + u")";
    guarded += u')';
    out_.replace(start, std::u16string::npos, guarded);
  }

  void open_class() {
    class_.emplace().start = out_.size();
    out_ += u'[';
    if (at_ + 1 < pattern_.size() && pattern_[at_ + 1] == u'^') {
      class_->negated = true;
      out_ += u'^';
      ++at_;
    }
  }

  bool class_unit() {
    const char16_t unit = pattern_[at_];
    switch (unit) {
      case u']': {
        // VBScript closes a class at its first ']', so "[]" and "[^]" are whole classes.
        out_ += u']';
        OpenClass closed = std::move(*class_);
        class_.reset();
        guard_suspects(closed.start, closed.members, closed.negated);
        atom(closed.negated ? closed.units.complement() : closed.units);
        return true;
      }
      case u'\\':
        return class_escape();
      case u'-':
        class_hyphen();
        return true;
      case u'[':
      case u':':
      case u'.':
      case u'=':
        // PCRE2 would read "[:", "[." and "[=" as POSIX syntax, which VBScript does not know.
        out_ += u'\\';
        out_ += unit;
        class_member(unit);
        return true;
      default:
        out_ += unit;
        class_member(unit);
        return true;
    }
  }

  void class_member(char16_t unit) {
    if (class_->range_open) {
      // A range whose ends are out of order is refused by PCRE2.
      if (*class_->range_first <= unit) class_->units.add(*class_->range_first, unit);
      class_->members |= suspects_between(*class_->range_first, unit);
      class_->range_first.reset();
      class_->range_open = false;
    } else {
      class_->units.add(unit);
      class_->members |= suspect_bit(unit);
      class_->range_first = unit;
    }
  }

  void class_hyphen() {
    const bool ends_class = at_ + 1 >= pattern_.size() || pattern_[at_ + 1] == u']';
    if (class_->range_first && !class_->range_open && !ends_class) {
      class_->range_open = true;
      out_ += u'-';
      return;
    }
    out_ += u"\\-";
    class_member(u'-');
  }

  bool class_escape() {
    if (at_ + 1 >= pattern_.size()) return false;
    const char16_t letter = pattern_[++at_];
    if (const ClassEscape* escape = class_escape_named(letter)) {
      if (class_->range_open) return false;  // a range cannot end in a set of characters
      out_ += escape->in_class;
      class_->members |= escape->members();
      class_->units.addAll(escape->units());
      class_->range_first.reset();
      class_->range_open = false;
      // A class escape cannot end or begin a range: a hyphen after it stands for itself.
      if (at_ + 1 < pattern_.size() && pattern_[at_ + 1] == u'-') {
        out_ += u"\\-";
        ++at_;
      }
      return true;
    }
    // Inside a class \b is the backspace, and every digit escape is octal.
    const char16_t value = letter == u'b' ? u'\b' : escaped_unit(true).value_or(u'\\');
    append_code_unit_escape(out_, value);
    class_member(value);
    return true;
  }

  std::u16string_view pattern_;
  PatternOptions options_;
  GroupPlan groups_;
  std::size_t parens_ = 0;  // opening parentheses passed
  struct OpenGroup {
    std::size_t number;  // the pattern's own; 0 for a group that does not capture
    bool repeats;
    bool lookaround;
  };
  std::vector<OpenGroup> open_groups_;
  std::size_t captures_opened_ = 0;
  std::vector<bool> captures_closed_{true};  // by the pattern's numbers; 0 is the whole match
  std::size_t repeats_open_ = 0;             // open groups that may match more than once
  std::size_t lookarounds_open_ = 0;
  // Where the time budget is looked at: before repeats of a single atom entered again without
  // a step counted, those in a repeated group or behind a repeat that may give back.
  std::vector<std::size_t> budget_looks_;
  bool behind_giving_back_ = false;
  icu::UnicodeSet atom_units_;                        // what the last single-unit atom matches
  std::optional<icu::UnicodeSet> awaiting_follower_;  // the last repeat's, until its follower
  static constexpr std::size_t kNoAtom = std::u16string::npos;
  std::size_t atom_start_ = kNoAtom;  // where the last atom's translation begins in out_
  std::size_t at_ = 0;
  std::u16string out_;
  std::optional<OpenClass> class_;
  bool machine_code_agrees_ = true;
};

}  // namespace

std::optional<Pcre2Pattern> to_pcre2_pattern(std::u16string_view pattern, PatternOptions options) {
  return Translator(pattern, options).run();
}

}  // namespace lc::platform
