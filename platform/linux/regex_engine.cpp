#include "platform/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

#include "platform/linux/regex_pattern.h"
#include "platform/linux/regex_replacement.h"

namespace lc::platform {
namespace {

// A runaway match (nested quantifiers over a long subject) fails after this many backtracking
// steps, or once its backtracking state needs more memory than this; long but linear matches
// stay well within both.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKib = 512 * 1024;
// Machine-code matching keeps its backtracking state on a stack of its own, sized from the
// subject: a linear pattern needs a few words for each unit it repeats over.
constexpr std::size_t kJitStackBytesPerUnit = 64;
constexpr std::size_t kJitStackMinBytes = 1 << 20;
constexpr std::size_t kJitStackMaxBytes = std::size_t{1} << 30;
// Below this many units, compiling to machine code costs more than it saves.
constexpr std::size_t kJitWorthwhileUnits = 16 * 1024;

// Case folding beyond ASCII needs Unicode properties, which slow every match down; it matters only
// when the pattern holds a letter beyond ASCII, an escape that may spell one, or a
// back-reference whose captured text may hold one.
bool may_fold_beyond_ascii(std::u16string_view pattern) {
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    if (pattern[at] >= 0x80) return true;
    if (pattern[at] == u'\\' && at + 1 < pattern.size()) {
      const char16_t next = pattern[++at];
      if (next == u'u' || next == u'x' || (next >= u'1' && next <= u'9')) return true;
    }
  }
  return false;
}

PCRE2_SPTR16 units(std::u16string_view text) {
  return reinterpret_cast<PCRE2_SPTR16>(text.data());
}

}  // namespace

// A compiled pattern, shared by every engine on this thread that runs the same pattern with the
// same flags: each exchange makes a fresh engine for its charset search, yet compiles only once.
struct CompiledPattern {
  struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
  };
  std::unique_ptr<pcre2_code, CodeFree> code;
  std::size_t group_count = 0;
  bool jit_tried = false;
  bool jit_compiled = false;
};

namespace {

constexpr std::size_t kCachedPatterns = 32;

std::shared_ptr<CompiledPattern> compile(std::u16string_view pattern, bool ignore_case,
                                         bool multiline) {
  using Key = std::tuple<std::u16string, bool, bool>;
  thread_local std::map<Key, std::shared_ptr<CompiledPattern>> cache;
  Key key{std::u16string(pattern), ignore_case, multiline};
  if (const auto found = cache.find(key); found != cache.end()) return found->second;

  const bool unicode_case = ignore_case && may_fold_beyond_ascii(pattern);
  const std::optional<std::u16string> translated =
      to_pcre2_pattern(pattern, {.multiline = multiline, .unicode_case = unicode_case});
  if (!translated) return nullptr;
  // The translated pattern spells out multiline anchors itself, so '$' ends only the subject.
  // Unicode properties would widen \w \d \s \b, but the translated pattern does not use them.
  std::uint32_t options =
      PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_DOLLAR_ENDONLY;
  if (ignore_case) options |= PCRE2_CASELESS;
  if (unicode_case) options |= PCRE2_UCP;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code = pcre2_compile(units(*translated), translated->size(), options, &error,
                                   &error_offset, nullptr);
  if (code == nullptr) return nullptr;
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code.reset(code);
  std::uint32_t capture_count = 0;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &capture_count);
  compiled->group_count = capture_count;
  if (cache.size() >= kCachedPatterns) cache.clear();
  cache.emplace(std::move(key), compiled);
  return compiled;
}

}  // namespace

struct RegexEngine::Compiled {
  struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
  };
  struct ContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
  };
  struct JitStackFree {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
  };
  std::shared_ptr<CompiledPattern> pattern;
  std::unique_ptr<pcre2_match_data, MatchDataFree> match_data;
  std::unique_ptr<pcre2_match_context, ContextFree> match_context;
  std::unique_ptr<pcre2_jit_stack, JitStackFree> jit_stack;
  std::size_t jit_stack_bytes = 0;

  // Gives machine-code matching a stack with room for `subject_size` units, growing the one it
  // has; without one it would fail on a few thousand repeats.
  void reserve_jit_stack(std::size_t subject_size) {
    const std::size_t wanted =
        std::clamp(subject_size * kJitStackBytesPerUnit, kJitStackMinBytes, kJitStackMaxBytes);
    if (wanted <= jit_stack_bytes) return;
    jit_stack.reset(pcre2_jit_stack_create(32 * 1024, wanted, nullptr));
    jit_stack_bytes = jit_stack ? wanted : 0;
    pcre2_jit_stack_assign(match_context.get(), nullptr, jit_stack.get());
  }
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

RegexEngine::Compiled* RegexEngine::compiled(std::size_t subject_size) {
  if (rejected_) return nullptr;
  if (!compiled_) {
    std::shared_ptr<CompiledPattern> pattern = compile(pattern_, ignore_case_, multiline_);
    if (!pattern) {
      rejected_ = true;
      return nullptr;
    }
    auto fresh = std::make_unique<Compiled>();
    fresh->match_data.reset(pcre2_match_data_create_from_pattern(pattern->code.get(), nullptr));
    fresh->match_context.reset(pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(fresh->match_context.get(), kMatchLimit);
    pcre2_set_heap_limit(fresh->match_context.get(), kHeapLimitKib);
    fresh->pattern = std::move(pattern);
    compiled_ = std::move(fresh);
  }
  CompiledPattern& pattern = *compiled_->pattern;
  if (!pattern.jit_tried && subject_size >= kJitWorthwhileUnits) {
    pattern.jit_tried = true;
    // Interpreted if refused.
    pattern.jit_compiled = pcre2_jit_compile(pattern.code.get(), PCRE2_JIT_COMPLETE) == 0;
  }
  // The pattern is shared: another engine may have compiled it to machine code.
  if (pattern.jit_compiled) compiled_->reserve_jit_stack(subject_size);
  return compiled_.get();
}

template <typename Visit>
bool RegexEngine::for_each_match(std::u16string_view subject, Visit visit) {
  Compiled* compiled = this->compiled(subject.size());
  if (compiled == nullptr) return false;
  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(compiled->match_data.get());
  std::vector<Span> match(compiled->pattern->group_count + 1);
  std::size_t start = 0;
  while (start <= subject.size()) {
    const int result =
        pcre2_match(compiled->pattern->code.get(), units(subject), subject.size(), start, 0,
                    compiled->match_data.get(), compiled->match_context.get());
    if (result == PCRE2_ERROR_NOMATCH) return true;
    if (result < 0) return false;
    for (std::size_t group = 0; group < match.size(); ++group) {
      const PCRE2_SIZE group_start = offsets[2 * group];
      match[group] = group_start == PCRE2_UNSET
                         ? Span{}
                         : Span{group_start, offsets[2 * group + 1] - group_start};
    }
    // An empty match moves the next search on by one unit, as VBScript does.
    start = match[0].length == 0 ? offsets[1] + 1 : offsets[1];
    visit(MatchSpans(match));
    if (!global_) return true;
  }
  return true;
}

std::optional<MatchCollection> RegexEngine::execute(std::shared_ptr<const std::u16string> subject) {
  const Compiled* compiled = this->compiled(subject->size());
  if (compiled == nullptr) return std::nullopt;
  MatchCollection matches(subject, compiled->pattern->group_count);
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
