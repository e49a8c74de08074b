#pragma once
// The result of running a regular expression: matches with their sub-matches, in UTF-16 units.

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lc::platform {

// A stretch of a text, in UTF-16 units. A group that took no part in a match has no start.
struct Span {
  static constexpr std::size_t kUnset = std::numeric_limits<std::size_t>::max();
  std::size_t start = kUnset;
  std::size_t length = 0;
  bool is_set() const { return start != kUnset; }
};

// One match: the whole match, then one span for each capture group.
using MatchSpans = std::span<const Span>;

// Everything one Execute found. The spans point into one text that the collection shares rather
// than copies, and they are kept in blocks, so that a long list grows without moving what it
// already holds.
class MatchCollection {
 public:
  MatchCollection(std::shared_ptr<const std::u16string> text, std::size_t group_count);

  // `match` holds the whole match and then exactly group_count() groups.
  void add(MatchSpans match);

  std::size_t count() const { return count_; }
  std::size_t group_count() const { return spans_per_match_ - 1; }
  // Empty for an index outside the collection.
  MatchSpans item(std::size_t index) const;

  std::u16string_view value(MatchSpans match) const { return text_of(match[0]); }
  // Empty where the group took no part, which a caller may tell from an empty string.
  std::optional<std::u16string_view> sub_match(MatchSpans match, std::size_t group) const;

 private:
  std::u16string_view text_of(Span span) const {
    return std::u16string_view(*text_).substr(span.start, span.length);
  }

  std::shared_ptr<const std::u16string> text_;
  std::size_t spans_per_match_;
  std::size_t matches_per_block_;
  std::vector<std::vector<Span>> blocks_;
  std::size_t count_ = 0;
};

}  // namespace lc::platform
