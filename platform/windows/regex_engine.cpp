// The regular-expression engine on Windows: the system's VBScript.RegExp class, driven by name.
#include "platform/regex_engine.h"

#include <cmath>
#include <vector>

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

// The class reports a group's text but not where it lies, so group texts are appended to `text`
// and their spans point there.
void read_match(IDispatch* match, std::u16string& text, std::vector<Span>& spans) {
  spans.assign(1, Span{number_of(match, L"FirstIndex"), number_of(match, L"Length")});
  DispatchRef sub_matches = get(match, L"SubMatches").object();
  const std::size_t groups = count_of(sub_matches.get());
  for (std::size_t group = 0; group < groups; ++group) {
    Variant argument(static_cast<double>(group));
    // A group that took no part reads as the empty value, not as an empty string.
    const std::optional<std::u16string> value = get(sub_matches.get(), L"Item", {&argument}).text();
    if (!value) {
      spans.emplace_back();
      continue;
    }
    spans.push_back({text.size(), value->size()});
    text += *value;
  }
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

std::optional<MatchCollection> RegexEngine::execute(std::shared_ptr<const std::u16string> subject) {
  Variant argument(*subject);
  DispatchRef matches = call(compiled_->regexp.get(), L"Execute", {&argument}).object();
  if (!matches) return std::nullopt;
  const std::size_t count = count_of(matches.get());
  std::u16string text = *subject;
  std::vector<std::vector<Span>> found(count);
  for (std::size_t index = 0; index < count; ++index) {
    DispatchRef match = item(matches.get(), index);
    if (!match) return std::nullopt;
    read_match(match.get(), text, found[index]);
  }
  MatchCollection collection(std::make_shared<const std::u16string>(std::move(text)),
                             found.empty() ? 0 : found.front().size() - 1);
  for (const std::vector<Span>& spans : found)
    collection.add(spans);
  return collection;
}

std::optional<std::u16string> RegexEngine::replace(std::u16string_view subject,
                                                   std::u16string_view replacement) {
  Variant text(subject);
  Variant by(replacement);
  return call(compiled_->regexp.get(), L"Replace", {&text, &by}).text();
}

}  // namespace lc::platform
