#include "platform/regex_engine.h"

#include "platform/linux/regex_program.h"
#include "platform/linux/regex_replacement.h"

namespace lc::platform {

struct RegexEngine::Compiled {
  std::unique_ptr<RegexProgram> program;
};

RegexEngine::RegexEngine() = default;
RegexEngine::~RegexEngine() = default;

bool RegexEngine::set_flag(std::string_view name, bool value) {
  if (name == "Global") {
    global_ = value;
    return true;
  }
  bool* flag = name == "IgnoreCase" ? &ignore_case_ : name == "Multiline" ? &multiline_ : nullptr;
  if (flag == nullptr) return false;
  if (*flag != value) {
    *flag = value;
    compiled_.reset();
    rejected_ = false;
  }
  return true;
}

std::u16string RegexEngine::pattern() const {
  return pattern_;
}

void RegexEngine::set_pattern(std::u16string_view pattern) {
  pattern_ = pattern;
  compiled_.reset();
  rejected_ = false;
}

RegexEngine::Compiled* RegexEngine::compiled() {
  if (rejected_) return nullptr;
  if (!compiled_) {
    std::unique_ptr<RegexProgram> program =
        RegexProgram::compile(pattern_, ignore_case_, multiline_);
    if (!program) {
      rejected_ = true;
      return nullptr;
    }
    compiled_ = std::make_unique<Compiled>(Compiled{std::move(program)});
  }
  return compiled_.get();
}

template <typename Visit>
bool RegexEngine::for_each_match(std::u16string_view subject, Visit visit) {
  Compiled* compiled = this->compiled();
  return compiled != nullptr && compiled->program->for_each_match(subject, global_, visit);
}

std::optional<MatchCollection> RegexEngine::execute(std::shared_ptr<const std::u16string> subject) {
  const Compiled* compiled = this->compiled();
  if (compiled == nullptr) return std::nullopt;
  MatchCollection matches(subject, compiled->program->group_count());
  if (!for_each_match(*subject, [&](MatchSpans match) { matches.add(match); })) {
    return std::nullopt;
  }
  return matches;
}

std::optional<std::u16string> RegexEngine::replace(std::u16string_view subject,
                                                   std::u16string_view replacement) {
  std::u16string result;
  std::size_t copied = 0;
  const bool matched = for_each_match(subject, [&](MatchSpans match) {
    result.append(subject.substr(copied, match[0].start - copied));
    expand_replacement(replacement, subject, match, result);
    copied = match[0].start + match[0].length;
  });
  if (!matched) return std::nullopt;
  result.append(subject.substr(copied));
  return result;
}

}  // namespace lc::platform
