#pragma once
// A regular-expression class with VBScript's object model and matching rules: over PCRE2's 16-bit
// library on Linux, over Windows' own class on Windows. It works on UTF-16 code units: a
// surrogate pair is two characters and indexes count units. Every failure gives an empty result;
// nothing is thrown and nothing is shown.

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
