#pragma once
// A VBScript pattern compiled for PCRE2, and the matching of it: one answer whichever of PCRE2's
// two matchers runs, and one time budget for every call.

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/regex_match.h"

namespace lc::platform {

// PCRE2's interpreter, or the machine code it compiles a pattern to. Left to the program, long
// subjects take machine code where the pattern allows it.
enum class MatchPath { by_subject_size, interpreter, machine_code };

class RegexProgram {
 public:
  // Empty when the pattern is refused.
  static std::unique_ptr<RegexProgram> compile(std::u16string_view pattern, bool ignore_case,
                                               bool multiline);
  ~RegexProgram();
  RegexProgram(const RegexProgram&) = delete;
  RegexProgram& operator=(const RegexProgram&) = delete;

  std::size_t group_count() const;

  // Visits each match in order, only the first unless `global`; false when matching failed (a
  // runaway past the call's budget or the engine's limits), whatever was visited before.
  bool for_each_match(std::u16string_view subject, bool global,
                      const std::function<void(MatchSpans)>& visit,
                      MatchPath path = MatchPath::by_subject_size);

 private:
  struct Matcher;
  explicit RegexProgram(std::unique_ptr<Matcher> matcher);
  std::unique_ptr<Matcher> matcher_;
};

}  // namespace lc::platform
