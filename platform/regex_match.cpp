#include "platform/regex_match.h"

#include <algorithm>

namespace lc::platform {
namespace {

constexpr std::size_t kSpansPerBlock = 8192;

}  // namespace

MatchCollection::MatchCollection(std::shared_ptr<const std::u16string> text,
                                 std::size_t group_count)
    : text_(std::move(text)),
      spans_per_match_(group_count + 1),
      matches_per_block_(std::max<std::size_t>(1, kSpansPerBlock / spans_per_match_)) {}

void MatchCollection::add(MatchSpans match) {
  if (count_ % matches_per_block_ == 0) blocks_.emplace_back();
  blocks_.back().insert(blocks_.back().end(), match.begin(), match.end());
  ++count_;
}

MatchSpans MatchCollection::item(std::size_t index) const {
  if (index >= count_) return {};
  const std::vector<Span>& block = blocks_[index / matches_per_block_];
  return MatchSpans(block).subspan((index % matches_per_block_) * spans_per_match_,
                                   spans_per_match_);
}

std::optional<std::u16string_view> MatchCollection::sub_match(MatchSpans match,
                                                              std::size_t group) const {
  if (group + 1 >= match.size() || !match[group + 1].is_set()) return std::nullopt;
  return text_of(match[group + 1]);
}

}  // namespace lc::platform
