#include "http/cookie_merge.h"

#include <algorithm>

#include "common/text_ops.h"
#include "common/text_search.h"

namespace lc {
namespace {

constexpr TextView kDeletedSuffix = "=deleted";

void tidy(Text& cookies) {
  cookies = trim(cookies);
  if (!cookies.empty() && cookies.back() == ';') cookies.push_back(' ');
}

bool is_deleted(TextView item) {
  return item.ends_with(kDeletedSuffix);
}

TextView name_of(TextView item) {
  const TextPos equals = find(item, "=");
  return trim_view(equals == kNotFound ? item
                                       : item.substr(0, static_cast<std::size_t>(equals - 1)));
}

}  // namespace

Text merge_cookies(Text& stored, Text& incoming) {
  tidy(stored);
  tidy(incoming);
  CookieItemList working(split_views(incoming, kCookieSeparator));
  for (TextView item : split_views(stored, kCookieSeparator)) {
    if (!working.has_cookie_named(name_of(item))) working.append(item);
  }
  Text merged;
  for (TextView item : working.items()) {
    if (!is_deleted(item)) merged.append(item).append(kCookieSeparator);
  }
  if (!merged.empty()) merged.resize(merged.size() - kCookieSeparator.size());
  stored = remove_duplicate_items(merged, kCookieSeparator);
  return stored;
}

Text cookie_name(TextView item) {
  return Text(name_of(item));
}

CookieItemList::CookieItemList(const std::vector<TextView>& items) : names_(items.size()) {
  items_.reserve(items.size());
  for (TextView item : items)
    append(item);
}

void CookieItemList::append(TextView item) {
  items_.push_back(item);
  names_.add(name_of(item));
}

bool CookieItemList::has_cookie_named(TextView name) const {
  return names_.index_of(name) != kNotFound;
}

Text remove_duplicate_items(TextView text, TextView separator) {
  Text result;
  result.reserve(text.size() + separator.size());
  const std::vector<TextView> segments = split_views(text, separator);
  SeenTexts seen(segments.size());
  for (TextView segment : segments) {
    if (seen.index_in_list(segment) != kNotFound) continue;
    seen.add(segment);
    result.append(segment).append(separator);
  }
  result.resize(result.size() - std::min(result.size(), separator.size()));
  return result;
}

}  // namespace lc
