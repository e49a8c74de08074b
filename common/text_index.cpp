#include "common/text_index.h"

#include <bit>
#include <functional>

namespace lc {
namespace {

std::uint32_t hash_of(TextView text) {
  const std::size_t hash = std::hash<TextView>{}(text);
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

}  // namespace

TextIndex::TextIndex(std::size_t expected_size)
    : slots_(std::bit_ceil(std::max<std::size_t>(16, expected_size * 2))) {
  texts_.reserve(expected_size);
}

// The slot holding `text`, or the empty slot where it would go.
std::size_t TextIndex::slot_of(TextView text, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.position == 0) return at;
    if (slot.hash == hash && texts_[slot.position - 1] == text) return at;
  }
}

TextPos TextIndex::index_of(TextView text) const {
  const Slot& slot = slots_[slot_of(text, hash_of(text))];
  return slot.position == 0 ? kNotFound : static_cast<TextPos>(slot.position);
}

TextPos TextIndex::add(TextView text) {
  const std::uint32_t hash = hash_of(text);
  Slot& slot = slots_[slot_of(text, hash)];
  if (slot.position != 0) return static_cast<TextPos>(slot.position);
  texts_.push_back(text);
  slot = {hash, static_cast<std::uint32_t>(texts_.size())};
  if (texts_.size() * 2 > slots_.size()) grow();
  return static_cast<TextPos>(texts_.size());
}

void TextIndex::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.size() * 2, Slot{});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.position == 0) continue;
    std::size_t at = slot.hash & mask;
    while (slots_[at].position != 0)
      at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace lc
