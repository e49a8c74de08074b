#pragma once
// The result of running a regular expression: matches with their sub-matches, in UTF-16 units.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc::platform {

// A stretch of the subject, in UTF-16 units.
struct Span {
  std::size_t start = 0;
  std::size_t length = 0;
};

struct Match {
  Span whole;
  // One entry per capture group: its text, or empty where the group took no part in the match.
  std::vector<std::optional<std::u16string>> groups;
};

// Everything one Execute found, holding its own copy of the subject.
class MatchCollection {
 public:
  MatchCollection(std::u16string subject, std::vector<Match> matches)
      : subject_(std::move(subject)), matches_(std::move(matches)) {}

  std::size_t count() const { return matches_.size(); }
  // Null for an index outside the collection.
  const Match* item(std::size_t index) const {
    return index < matches_.size() ? &matches_[index] : nullptr;
  }
  std::u16string_view value(const Match& match) const { return text_of(match.whole); }
  // Empty where the group took no part, which a caller may tell from an empty string.
  static std::optional<std::u16string_view> sub_match(const Match& match, std::size_t group) {
    if (group >= match.groups.size() || !match.groups[group]) return std::nullopt;
    return *match.groups[group];
  }

 private:
  std::u16string_view text_of(Span span) const {
    return std::u16string_view(subject_).substr(span.start, span.length);
  }
  std::u16string subject_;
  std::vector<Match> matches_;
};

}  // namespace lc::platform
