#include "platform/linux/regex_groups.h"

#include <algorithm>

#include "common/ascii_text.h"

namespace lc::platform {

Quantifier quantifier_at(std::u16string_view pattern, std::size_t at) {
  if (at >= pattern.size()) return {};
  const char16_t unit = pattern[at];
  if (unit == u'*' || unit == u'+') return {at + 1, true, unit == u'*'};
  if (unit == u'?') return {at + 1, false, true};
  if (unit != u'{') return {};
  std::size_t end = at + 1;
  // A bound too large to write stays large.
  const auto number = [&]() -> std::size_t {
    const std::size_t first = end;
    std::size_t value = 0;
    while (end < pattern.size() && is_ascii_digit(pattern[end])) {
      value = std::min<std::size_t>(value * 10 + (pattern[end] - u'0'), 1'000'000);
      ++end;
    }
    return end > first ? value : 0;
  };
  const std::size_t digits_at = end;
  const std::size_t least = number();
  std::size_t most = least;
  if (end == digits_at) return {};
  bool open = false;
  if (end < pattern.size() && pattern[end] == u',') {
    const std::size_t upper_at = ++end;
    most = number();
    open = end == upper_at;
  }
  if (end >= pattern.size() || pattern[end] != u'}') return {};
  return {end + 1, open || most > 1, least == 0};
}

namespace {

struct Paren {
  std::size_t parent;  // index of the enclosing parenthesis, or kNone
  bool capturing = false;
  bool lookaround = false;
  bool repeated = false;    // a group (not a lookaround) that may match more than once
  bool quantified = false;  // the same, lookarounds included
  bool skippable = false;
  bool holds_capture = false;
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Every opening parenthesis outside classes and escapes, in order, with what closes it.
std::vector<Paren> scan_parens(std::u16string_view pattern) {
  std::vector<Paren> parens;
  std::vector<std::size_t> open;
  bool in_class = false;
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    const char16_t unit = pattern[at];
    if (unit == u'\\') {
      ++at;
    } else if (in_class) {
      in_class = unit != u']';
    } else if (unit == u'[') {
      in_class = true;
      if (at + 1 < pattern.size() && pattern[at + 1] == u'^') ++at;
    } else if (unit == u'(') {
      const bool question = at + 1 < pattern.size() && pattern[at + 1] == u'?';
      const char16_t kind = at + 2 < pattern.size() ? pattern[at + 2] : u'\0';
      parens.push_back({open.empty() ? kNone : open.back(), !question,
                        question && (kind == u'=' || kind == u'!')});
      open.push_back(parens.size() - 1);
    } else if (unit == u'|' && !open.empty()) {
      parens[open.back()].skippable = true;
    } else if (unit == u')' && !open.empty()) {
      Paren& closed = parens[open.back()];
      open.pop_back();
      const Quantifier quantifier = quantifier_at(pattern, at + 1);
      closed.quantified = quantifier.repeats;
      closed.skippable = closed.skippable || quantifier.optional;
      closed.repeated = !closed.lookaround && closed.quantified;
      if (closed.parent != kNone && (closed.capturing || closed.holds_capture)) {
        parens[closed.parent].holds_capture = true;
      }
    }
  }
  return parens;
}

}  // namespace

GroupPlan plan_groups(std::u16string_view pattern) {
  const std::vector<Paren> parens = scan_parens(pattern);
  GroupPlan plan;
  plan.numbers.push_back(0);
  plan.repeat_around.push_back(0);
  std::vector<std::size_t> number_of(parens.size(), 0);
  // For each parenthesis, the innermost repeated group around it: found from its parent's, which
  // comes first, so that deep nesting costs one step a parenthesis, not one a level.
  std::vector<std::size_t> repeated_around(parens.size(), kNone);
  for (std::size_t index = 0; index < parens.size(); ++index) {
    const Paren& paren = parens[index];
    const std::size_t parent = paren.parent;
    if (parent != kNone) {
      repeated_around[index] =
          parens[parent].repeated && number_of[parent] != 0 ? parent : repeated_around[parent];
    }
    const std::size_t around = repeated_around[index];
    const bool captured_for_iterations =
        !paren.capturing && !paren.lookaround && paren.repeated && paren.holds_capture;
    plan.captured_for_iterations.push_back(captured_for_iterations);
    plan.repeats.push_back(paren.quantified);
    plan.skippable.push_back(paren.skippable);
    if (!paren.capturing && !captured_for_iterations) continue;
    number_of[index] = plan.repeat_around.size();
    if (paren.capturing) plan.numbers.push_back(number_of[index]);
    plan.repeat_around.push_back(around == kNone ? 0 : number_of[around]);
  }
  return plan;
}

bool GroupPlan::matters() const {
  return std::any_of(repeat_around.begin(), repeat_around.end(),
                     [](std::size_t around) { return around != 0; });
}

}  // namespace lc::platform
