// Merged cookies: no deleted item, no repeat, every item from one of the two strings.
#include <cstdint>
#include <cstdlib>
#include <set>

#include "common/text_ops.h"
#include "fuzz/fuzz_input.h"
#include "http/cookie_merge.h"

namespace {
bool has_lead_byte_before_separator(lc::TextView text) {
  for (std::size_t at = 0; at < text.size(); at += lc::is_lead_byte(text[at]) ? 2 : 1) {
    if (lc::is_lead_byte(text[at]) && (at + 1 == text.size() || text[at + 1] == ';')) return true;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lc::fuzz::Input input(data, size);
  lc::Text stored = input.piece();
  lc::Text incoming = input.piece();
  const lc::Text original = stored + "; " + incoming;
  const lc::Text merged = lc::merge_cookies(stored, incoming);
  if (merged != stored) std::abort();
  // A lone lead byte before "; " swallows the separator's first byte, and then items glue.
  if (has_lead_byte_before_separator(original)) return 0;
  std::set<lc::Text> seen;
  for (const lc::Text& item : lc::split(merged, "; ")) {
    if (item.ends_with("=deleted") || !seen.insert(item).second) std::abort();
    if (original.find(item) == lc::Text::npos) std::abort();
  }
  return 0;
}
