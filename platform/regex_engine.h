#pragma once
// A regular-expression class with VBScript's object model and matching rules: over PCRE2's 16-bit
// library on Linux, over Windows' own class on Windows. It works on UTF-16 code units: a
// surrogate pair is two characters and indexes count units. Every failure gives an empty result;
// nothing is thrown and nothing is shown.
//
// On Linux every call (execute, replace) has one time budget, a second and a microsecond for
// each unit of the subject, across all its start positions; a runaway match fails when it is
// spent, or when one start position takes PCRE2's step or memory limit. Subjects of 16 Ki units
// and more are matched by machine code; shorter ones are interpreted, and go over to machine
// code when the interpreter meets its limits or has spent a quarter of the budget. Patterns with
// a back-reference inside a repeat, repeated itself, or to a group not yet closed stay
// interpreted whatever the subject: machine code gives other answers for them. Matched globally
// over a page of 1 Mi units, `<a href="([^"]*)">([^<]*)</a>`, `(\w+)\s+(\w+)` and
// `(["'])[^"']*\1` together take 1.1 to 1.4 times as long as PCRE2's machine code called
// directly; interpreted, they took 2 to 7 times as long.
//
// Where the Linux engine still departs from ECMAScript 3:
// - a repeat's iteration that matches the empty string ends the repeat instead of failing, so
//   `(a|)+b` on "aab" leaves $1 empty where ECMAScript gives "a", and `(|a)+` matches "" there;
// - groups inside a repeat are cleared at each iteration in the result, but a back-reference
//   met during matching still sees what an earlier iteration captured, and an empty capture at
//   the very start of the last iteration, left from the one before, is kept;
// - under IgnoreCase, literals and classes (not back-references) pair these characters where
//   ECMAScript does not: U+00DF and U+1E9E; U+00C5, U+00E5 and U+212B; U+0398, U+03B8, U+03D1
//   and U+03F4; U+03A9, U+03C9 and U+2126; U+1F80-U+1FAF with their title-case forms and
//   U+1FB3, U+1FC3, U+1FF3 with U+1FBC, U+1FCC, U+1FFC.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/regex_match.h"

namespace lc::platform {

class RegexEngine {
 public:
  RegexEngine();
  ~RegexEngine();
  RegexEngine(const RegexEngine&) = delete;
  RegexEngine& operator=(const RegexEngine&) = delete;

  // Writes one of the flags IgnoreCase, Multiline and Global by its member name. A name the class
  // lacks is a failed write: false, and nothing changes.
  bool set_flag(std::string_view name, bool value);

  void set_pattern(std::u16string_view pattern);
  std::u16string pattern() const;

  // Every match (only the first unless Global), pointing into `subject`, which the collection
  // shares; empty when the pattern is rejected or a match runs away past the engine's limits.
  std::optional<MatchCollection> execute(std::shared_ptr<const std::u16string> subject);

  // `subject` with each match (only the first unless Global) replaced by the expansion of
  // `replacement`; empty on the same failures as execute.
  std::optional<std::u16string> replace(std::u16string_view subject,
                                        std::u16string_view replacement);

 private:
  struct Compiled;
  // Visits each match in order; false when matching failed.
  template <typename Visit>
  bool for_each_match(std::u16string_view subject, Visit visit);
  Compiled* compiled();

  std::u16string pattern_;
  bool ignore_case_ = false;
  bool multiline_ = false;
  bool global_ = false;
  std::unique_ptr<Compiled> compiled_;  // the implementation's own; reset on every change
  bool rejected_ = false;
};

}  // namespace lc::platform
