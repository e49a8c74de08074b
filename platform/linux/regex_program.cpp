#include "platform/linux/regex_program.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "platform/linux/regex_pattern.h"

namespace lc::platform {
namespace {

// A runaway at one start position (nested quantifiers over a long subject) fails after this many
// backtracking steps, or once its backtracking state needs more memory than this; long but linear
// matches stay well within both.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKib = 512 * 1024;
// PCRE2 counts those steps afresh at each start position, so a runaway that stays under them at
// every position (polynomial ones) would run for minutes: a whole call also fails once it has
// matched for this long, a little longer for long subjects. The budget is looked at between
// stretches of start positions, each sized to take about a millisecond.
constexpr std::int64_t kBudgetNanoseconds = 1'000'000'000;
constexpr std::int64_t kBudgetNanosecondsPerUnit = 1'000;
constexpr std::int64_t kStretchNanoseconds = 1'000'000;
constexpr std::size_t kLongestStretch = std::size_t{1} << 16;
// Machine-code matching keeps its backtracking state on a stack of its own. It starts sized from
// the subject (a linear pattern needs a few words for each unit it repeats over) and grows when a
// pattern saving several groups a repeat needs more.
constexpr std::size_t kJitStackBytesPerUnit = 64;
constexpr std::size_t kJitStackMinBytes = 1 << 20;
constexpr std::size_t kJitStackMaxBytes = std::size_t{1} << 30;
constexpr std::size_t kJitStackGrowth = 8;
// Below this many units, compiling to machine code costs more than it saves.
constexpr std::size_t kJitWorthwhileUnits = 16 * 1024;
// The part of a call's budget the interpreter has before machine code takes over, where the
// pattern allows it.
constexpr std::int64_t kInterpreterShare = 4;

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

std::int64_t nanoseconds_now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// ECMAScript's Canonicalize: a unit's upper case, unless that takes more than one unit or turns a
// unit beyond ASCII into an ASCII one.
char16_t canonical_case(char16_t unit) {
  UChar upper[4];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_strToUpper(upper, 4, &unit, 1, "", &status);
  if (U_FAILURE(status) || length != 1 || (unit >= 0x80 && upper[0] < 0x80)) return unit;
  return upper[0];
}

// A back-reference has just matched its group's text caselessly by PCRE2's folding, which pairs
// more units than ECMAScript's rule does (s and the long s, ß and ẞ). The callout that follows it
// names the group.
bool back_reference_holds(const pcre2_callout_block& block) {
  std::size_t group = 0;
  for (std::size_t at = 0; at < block.callout_string_length; ++at)
    group = group * 10 + (block.callout_string[at] - u'0');
  if (group >= block.capture_top || block.offset_vector[2 * group] == PCRE2_UNSET) return true;
  const PCRE2_SIZE start = block.offset_vector[2 * group];
  const PCRE2_SIZE length = block.offset_vector[2 * group + 1] - start;
  const PCRE2_SIZE matched = block.current_position - length;
  for (PCRE2_SIZE at = 0; at < length; ++at) {
    const char16_t captured = block.subject[start + at];
    const char16_t seen = block.subject[matched + at];
    if (captured != seen && canonical_case(captured) != canonical_case(seen)) return false;
  }
  return true;
}

// ECMAScript clears the groups inside a repeat at each iteration: a capture that starts before
// its repeat's last iteration is left over from an earlier one. Groups come in PCRE2's order, so
// a repeat is cleared before the groups inside it are measured against it.
void clear_earlier_iterations(const GroupPlan& groups, std::vector<Span>& captured) {
  for (std::size_t group = 1; group < captured.size(); ++group) {
    const std::size_t around = groups.repeat_around[group];
    if (around == 0 || !captured[group].is_set()) continue;
    if (!captured[around].is_set() || captured[group].start < captured[around].start) {
      captured[group] = Span{};
    }
  }
}

// A compiled pattern, shared by every program on this thread that runs the same pattern with the
// same flags: each exchange makes a fresh engine for its charset search, yet compiles only once.
struct CompiledPattern {
  struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
  };
  std::unique_ptr<pcre2_code, CodeFree> code;
  std::size_t group_count = 0;  // the pattern's own, without those captured for iterations
  GroupPlan groups;
  bool machine_code_allowed = false;
  bool jit_tried = false;
  bool jit_compiled = false;

  bool has_machine_code() {
    if (!machine_code_allowed) return false;
    if (!jit_tried) {
      jit_tried = true;
      jit_compiled = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
    }
    return jit_compiled;
  }
};

constexpr std::size_t kCachedPatterns = 32;

std::shared_ptr<CompiledPattern> compile_cached(std::u16string_view pattern, bool ignore_case,
                                                bool multiline) {
  using Key = std::tuple<std::u16string, bool, bool>;
  thread_local std::map<Key, std::shared_ptr<CompiledPattern>> cache;
  Key key{std::u16string(pattern), ignore_case, multiline};
  if (const auto found = cache.find(key); found != cache.end()) return found->second;

  const bool unicode_case = ignore_case && may_fold_beyond_ascii(pattern);
  std::optional<Pcre2Pattern> translated = to_pcre2_pattern(
      pattern, {.multiline = multiline, .ignore_case = ignore_case, .unicode_case = unicode_case});
  if (!translated) return nullptr;
  const std::u16string& text = translated->text;
  // The translated pattern spells out multiline anchors itself, so '$' ends only the subject.
  // Unicode properties would widen \w \d \s \b, but the translated pattern does not use them.
  // A call searches a stretch of start positions at a time, by an offset limit.
  std::uint32_t options = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                          PCRE2_DOLLAR_ENDONLY | PCRE2_USE_OFFSET_LIMIT;
  if (ignore_case) options |= PCRE2_CASELESS;
  if (unicode_case) options |= PCRE2_UCP;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code* code =
      pcre2_compile(units(text), text.size(), options, &error, &error_offset, nullptr);
  if (code == nullptr) return nullptr;
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->code.reset(code);
  compiled->group_count = translated->groups.numbers.size() - 1;
  compiled->machine_code_allowed = translated->machine_code_agrees;
  if (translated->groups.matters()) compiled->groups = std::move(translated->groups);
  if (cache.size() >= kCachedPatterns) cache.clear();
  cache.emplace(std::move(key), compiled);
  return compiled;
}

}  // namespace

struct RegexProgram::Matcher {
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
  std::int64_t deadline = 0;
  std::int64_t last_look = 0;  // when the clock was last read
  std::size_t stretch = 1;     // start positions searched between two looks at the budget

  static int on_callout(pcre2_callout_block* block, void* data) {
    if (block->callout_string == nullptr) {
      return nanoseconds_now() > static_cast<Matcher*>(data)->deadline ? PCRE2_ERROR_MATCHLIMIT : 0;
    }
    return back_reference_holds(*block) ? 0 : 1;
  }

  // Gives machine-code matching a stack of at least `bytes`, growing the one it has; false when
  // it already has the largest.
  bool reserve_jit_stack(std::size_t bytes) {
    bytes = std::clamp(bytes, kJitStackMinBytes, kJitStackMaxBytes);
    if (bytes <= jit_stack_bytes) return false;
    jit_stack.reset(pcre2_jit_stack_create(32 * 1024, bytes, nullptr));
    jit_stack_bytes = jit_stack ? bytes : 0;
    pcre2_jit_stack_assign(match_context.get(), nullptr, jit_stack.get());
    return jit_stack != nullptr;
  }

  // The first match that starts at `start` or later, searched a stretch at a time.
  int find(std::u16string_view subject, std::size_t start, bool machine_code) {
    for (;;) {
      const std::size_t last_start = std::min(subject.size(), start + stretch - 1);
      pcre2_set_offset_limit(match_context.get(), last_start);
      const int result = match(subject, start, machine_code);
      if (result != PCRE2_ERROR_NOMATCH || last_start == subject.size()) return result;
      // The clock is read only between stretches that found nothing: a stretch after matches
      // seems longer than it was, and the next is merely shorter.
      const std::int64_t now = nanoseconds_now();
      if (now > deadline) return PCRE2_ERROR_MATCHLIMIT;
      stretch = now - last_look < kStretchNanoseconds ? std::min(stretch * 2, kLongestStretch)
                                                      : std::max(stretch / 2, std::size_t{1});
      last_look = now;
      start = last_start + 1;
    }
  }

  int match(std::u16string_view subject, std::size_t start, bool machine_code) {
    for (;;) {
      const int result =
          pcre2_match(pattern->code.get(), units(subject), subject.size(), start,
                      machine_code ? 0 : PCRE2_NO_JIT, match_data.get(), match_context.get());
      if (result != PCRE2_ERROR_JIT_STACKLIMIT ||
          !reserve_jit_stack(jit_stack_bytes * kJitStackGrowth)) {
        return result;
      }
    }
  }
};

RegexProgram::RegexProgram(std::unique_ptr<Matcher> matcher) : matcher_(std::move(matcher)) {}
RegexProgram::~RegexProgram() = default;

std::unique_ptr<RegexProgram> RegexProgram::compile(std::u16string_view pattern, bool ignore_case,
                                                    bool multiline) {
  std::shared_ptr<CompiledPattern> compiled = compile_cached(pattern, ignore_case, multiline);
  if (!compiled) return nullptr;
  auto matcher = std::make_unique<Matcher>();
  matcher->match_data.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
  matcher->match_context.reset(pcre2_match_context_create(nullptr));
  pcre2_set_match_limit(matcher->match_context.get(), kMatchLimit);
  pcre2_set_heap_limit(matcher->match_context.get(), kHeapLimitKib);
  pcre2_set_callout(matcher->match_context.get(), &Matcher::on_callout, matcher.get());
  matcher->pattern = std::move(compiled);
  return std::unique_ptr<RegexProgram>(new RegexProgram(std::move(matcher)));
}

std::size_t RegexProgram::group_count() const {
  return matcher_->pattern->group_count;
}

bool RegexProgram::for_each_match(std::u16string_view subject, bool global,
                                  const std::function<void(MatchSpans)>& visit, MatchPath path) {
  Matcher& matcher = *matcher_;
  const std::int64_t began = nanoseconds_now();
  const std::int64_t budget =
      kBudgetNanoseconds + static_cast<std::int64_t>(subject.size()) * kBudgetNanosecondsPerUnit;
  const bool wants_machine_code = path == MatchPath::by_subject_size
                                      ? subject.size() >= kJitWorthwhileUnits
                                      : path == MatchPath::machine_code;
  bool machine_code = wants_machine_code && matcher.pattern->has_machine_code();
  // A short subject left to the interpreter may still run into its limits where machine code,
  // many times faster, would answer: it then has the rest of the budget, and where machine code
  // cannot be had, the interpreter goes on with it.
  bool may_take_machine_code =
      !machine_code && path == MatchPath::by_subject_size && matcher.pattern->machine_code_allowed;
  matcher.deadline = began + (may_take_machine_code ? budget / kInterpreterShare : budget);
  matcher.last_look = began;
  if (machine_code) matcher.reserve_jit_stack(subject.size() * kJitStackBytesPerUnit);

  const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(matcher.match_data.get());
  const GroupPlan& groups = matcher.pattern->groups;
  std::vector<Span> captured(groups.repeat_around.empty() ? group_count() + 1
                                                          : groups.repeat_around.size());
  std::vector<Span> match(group_count() + 1);
  std::size_t start = 0;
  while (start <= subject.size()) {
    const int result = matcher.find(subject, start, machine_code);
    if (result == PCRE2_ERROR_NOMATCH) return true;
    if (result < 0 && may_take_machine_code) {
      may_take_machine_code = false;
      matcher.deadline = began + budget;
      machine_code = matcher.pattern->has_machine_code();
      if (machine_code) matcher.reserve_jit_stack(subject.size() * kJitStackBytesPerUnit);
      continue;
    }
    if (result < 0) return false;
    for (std::size_t group = 0; group < captured.size(); ++group) {
      const PCRE2_SIZE group_start = offsets[2 * group];
      captured[group] = group_start == PCRE2_UNSET
                            ? Span{}
                            : Span{group_start, offsets[2 * group + 1] - group_start};
    }
    if (groups.repeat_around.empty()) {
      match.swap(captured);
    } else {
      clear_earlier_iterations(groups, captured);
      for (std::size_t group = 0; group < match.size(); ++group)
        match[group] = captured[groups.numbers[group]];
    }
    // An empty match moves the next search on by one unit, as VBScript does.
    start = match[0].length == 0 ? offsets[1] + 1 : offsets[1];
    visit(MatchSpans(match));
    if (!global) return true;
  }
  return true;
}

}  // namespace lc::platform
