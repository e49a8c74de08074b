#pragma once
// An insertion-ordered set of texts with O(1) lookup of a text's 1-based index. Open addressing
// keeps each probe in one flat array, which matters once the set outgrows the caches.
// The texts are views: what they point into must outlive the index.

#include <cstdint>
#include <vector>

#include "common/text.h"

namespace lc {

class TextIndex {
 public:
  explicit TextIndex(std::size_t expected_size = 0);

  // The 1-based index of `text`, or -1.
  TextPos index_of(TextView text) const;
  // Adds `text` unless present; returns its index either way.
  TextPos add(TextView text);
  std::size_t size() const { return texts_.size(); }

 private:
  // Eight bytes a slot, so that large sets stay as cache-friendly as they can.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t position = 0;  // 1-based into texts_; 0 marks an empty slot
  };
  std::size_t slot_of(TextView text, std::uint32_t hash) const;
  void grow();

  std::vector<TextView> texts_;
  std::vector<Slot> slots_;
};

}  // namespace lc
