#pragma once
// One regular expression bound to one subject text: how many matches, the text of a match or of
// one of its groups with its byte offset, and the subject with the matches replaced. Pattern
// syntax and matching rules are VBScript's.

#include <memory>
#include <optional>
#include <string>

#include "common/text.h"
#include "platform/com_apartment.h"
#include "platform/regex_engine.h"

namespace lc {

class RegexObject {
 public:
  struct CreateOptions {
    bool case_sensitive = false;
    bool multiline = true;
    bool global = true;
    bool replace_quote_marker = false;  // each "#引号" in the pattern stands for '"'
  };

  RegexObject() = default;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Runs `pattern` over `subject` with a fresh engine; true when the engine returned a match
  // collection, also an empty one, false when it rejected the pattern or the match ran away.
  bool create(TextView pattern, TextView subject, CreateOptions options);
  bool create(TextView pattern, TextView subject) { return create(pattern, subject, {}); }

  Text get_pattern() const;
  Text replace(TextView replacement) const;
  int match_count() const;
  int submatch_count() const;

  // Indexes count from 1. `position`, when given, receives a 0-based byte offset (-2: not found).
  Text match_text(int match_index, TextPos* position = nullptr) const;
  Text submatch_text(int match_index, int group_index, TextPos* position = nullptr) const;

 private:
  // Empty when there is no such match.
  platform::MatchSpans match_at(int match_index) const;
  TextPos byte_offset(platform::MatchSpans match, TextView text) const;

  // Members go in the reverse of this order: the engine first, the apartment last.
  platform::ComApartment apartment_;
  // The subject converted back, made once on the first position asked for.
  mutable std::optional<Text> subject_text_;
  // The subject as the engine reads it, shared with the match collection; match texts are
  // converted only when asked for.
  std::shared_ptr<const std::u16string> subject_;
  std::optional<platform::MatchCollection> matches_;
  std::unique_ptr<platform::RegexEngine> engine_;
};

}  // namespace lc
