// The regular-expression engine on Windows: the system's VBScript.RegExp class, driven by name.
#include "platform/regex_engine.h"

#include <cmath>

#include "platform/windows/late_bound.h"

namespace lc::platform {

using windows::call;
using windows::DispatchRef;
using windows::get;
using windows::Variant;

// The class's instance; empty when it could not be created, and then every access fails.
struct RegexEngine::Compiled {
  DispatchRef regexp = windows::create_object(L"VBScript.RegExp");
};

namespace {

std::size_t count_of(IDispatch* collection) {
  const std::optional<double> count = get(collection, L"Count").number();
  return count && *count > 0 ? static_cast<std::size_t>(std::trunc(*count)) : 0;
}

DispatchRef item(IDispatch* collection, std::size_t index) {
  Variant argument(static_cast<double>(index));
  return get(collection, L"Item", {&argument}).object();
}

std::size_t number_of(IDispatch* object, std::wstring_view name) {
  const std::optional<double> value = get(object, name).number();
  return value && *value > 0 ? static_cast<std::size_t>(std::trunc(*value)) : 0;
}

Match read_match(IDispatch* match) {
  Match result{{number_of(match, L"FirstIndex"), number_of(match, L"Length")}, {}};
  DispatchRef sub_matches = get(match, L"SubMatches").object();
  const std::size_t groups = count_of(sub_matches.get());
  for (std::size_t group = 0; group < groups; ++group) {
    Variant argument(static_cast<double>(group));
    // A group that took no part reads as the empty value, not as an empty string.
    result.groups.push_back(get(sub_matches.get(), L"Item", {&argument}).text());
  }
  return result;
}

}  // namespace

RegexEngine::RegexEngine() : compiled_(std::make_unique<Compiled>()) {}
RegexEngine::~RegexEngine() = default;

bool RegexEngine::set_flag(std::string_view name, bool value) {
  return windows::put(compiled_->regexp.get(), std::wstring(name.begin(), name.end()),
                      Variant(value));
}

void RegexEngine::set_pattern(std::u16string_view pattern) {
  windows::put(compiled_->regexp.get(), L"Pattern", Variant(pattern));
}

std::u16string RegexEngine::pattern() const {
  return get(compiled_->regexp.get(), L"Pattern").text().value_or(u"");
}

std::optional<MatchCollection> RegexEngine::execute(std::u16string_view subject) {
  Variant argument(subject);
  DispatchRef matches = call(compiled_->regexp.get(), L"Execute", {&argument}).object();
  if (!matches) return std::nullopt;
  std::vector<Match> found;
  const std::size_t count = count_of(matches.get());
  for (std::size_t index = 0; index < count; ++index) {
    DispatchRef match = item(matches.get(), index);
    if (!match) return std::nullopt;
    found.push_back(read_match(match.get()));
  }
  return MatchCollection(std::u16string(subject), std::move(found));
}

std::optional<std::u16string> RegexEngine::replace(std::u16string_view subject,
                                                   std::u16string_view replacement) {
  Variant text(subject);
  Variant by(replacement);
  return call(compiled_->regexp.get(), L"Replace", {&text, &by}).text();
}

}  // namespace lc::platform
