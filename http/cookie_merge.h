#pragma once
// Cookie strings: items "name=value" joined by "; ". Merging puts the response's items first,
// keeps the stored ones the response did not replace, and drops deleted items and repeats.

#include <vector>

#include "common/text.h"
#include "common/text_index.h"

namespace lc {

inline constexpr TextView kCookieSeparator = "; ";

// Merges `incoming` into `stored`. Both variables are tidied in place (spaces trimmed, a final
// ";" given its space) and `stored` is left holding the merged string, which is also returned.
Text merge_cookies(Text& stored, Text& incoming);

// The bytes before the first '=' (or the whole item), without leading and trailing spaces.
Text cookie_name(TextView item);

// Cookie items in order, with their names hashed so that a lookup by name costs O(1). The items
// are views: the texts they point into must outlive the list.
class CookieItemList {
 public:
  explicit CookieItemList(const std::vector<TextView>& items);
  void append(TextView item);
  bool has_cookie_named(TextView name) const;
  const std::vector<TextView>& items() const { return items_; }

 private:
  std::vector<TextView> items_;
  TextIndex names_;
};

// Texts in the order first seen; index_in_list answers in O(1). The texts are views: what they
// point into must outlive the list.
class SeenTexts {
 public:
  explicit SeenTexts(std::size_t expected_size) : index_(expected_size) {}
  // The 1-based index of the first equal text, or -1.
  TextPos index_in_list(TextView text) const { return index_.index_of(text); }
  void add(TextView text) { index_.add(text); }

 private:
  TextIndex index_;
};

// `text` split at `separator` with every repeated segment after its first removed.
Text remove_duplicate_items(TextView text, TextView separator);

}  // namespace lc
