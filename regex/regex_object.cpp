#include "regex/regex_object.h"

#include "common/marked_text.h"
#include "common/text_ops.h"
#include "common/text_search.h"
#include "platform/text_encodings.h"

namespace lc {

bool RegexObject::create(TextView pattern, TextView subject, CreateOptions options) {
  engine_.reset();
  matches_.reset();
  engine_ = std::make_unique<platform::RegexEngine>();
  engine_->set_flag("IgnoreCase", !options.case_sensitive);
  engine_->set_flag("Multiline", options.multiline);
  // The tool asks for a dot that matches line breaks too; the class has no such property,
  // so this write fails and changes nothing.
  engine_->set_flag("Singleline", true);
  engine_->set_flag("Global", options.global);
  const Text effective =
      options.replace_quote_marker ? replace_quote_markers(pattern) : Text(pattern);
  engine_->set_pattern(platform::cp936_to_utf16(effective));
  subject_ = std::make_shared<const std::u16string>(platform::cp936_to_utf16(subject));
  subject_text_.reset();
  matches_ = engine_->execute(subject_);
  return matches_.has_value();
}

Text RegexObject::get_pattern() const {
  return engine_ ? platform::utf16_to_cp936(engine_->pattern()) : Text();
}

Text RegexObject::replace(TextView replacement) const {
  if (!engine_) return {};
  const std::optional<std::u16string> replaced =
      engine_->replace(*subject_, platform::cp936_to_utf16(replacement));
  return replaced ? platform::utf16_to_cp936(*replaced) : Text();
}

int RegexObject::match_count() const {
  return matches_ ? static_cast<int>(matches_->count()) : 0;
}

int RegexObject::submatch_count() const {
  return match_at(1).empty() ? 0 : static_cast<int>(matches_->group_count());
}

Text RegexObject::match_text(int match_index, TextPos* position) const {
  const platform::MatchSpans match = match_at(match_index);
  const Text text = match.empty() ? Text() : platform::utf16_to_cp936(matches_->value(match));
  if (position != nullptr) *position = byte_offset(match, text);
  return text;
}

Text RegexObject::submatch_text(int match_index, int group_index, TextPos* position) const {
  const platform::MatchSpans match = match_at(match_index);
  Text text;
  if (!match.empty() && group_index >= 1) {
    const auto group = matches_->sub_match(match, static_cast<std::size_t>(group_index - 1));
    if (group) text = platform::utf16_to_cp936(*group);
  }
  if (position != nullptr) *position = byte_offset(match, text);
  return text;
}

platform::MatchSpans RegexObject::match_at(int match_index) const {
  if (!matches_ || match_index < 1) return {};
  return matches_->item(static_cast<std::size_t>(match_index - 1));
}

// The match's index counts UTF-16 units, yet it is taken as a 1-based byte position to search
// from: every character takes at least one byte, so the search never starts past the match.
// The matched text stands in the subject byte for byte, so the search compares exactly.
TextPos RegexObject::byte_offset(platform::MatchSpans match, TextView text) const {
  if (!subject_text_) subject_text_ = subject_ ? platform::utf16_to_cp936(*subject_) : Text();
  const Text& subject = *subject_text_;
  TextPos start = match.empty() ? 0 : static_cast<TextPos>(match[0].start);
  if (start < 1) start = 1;
  TextPos found = kNotFound;
  if (text.empty()) {
    found = start <= length(subject) ? 1 : kNotFound;
  } else {
    found = find(subject, text, start);
  }
  return found - 1;
}

}  // namespace lc
