// Normalising gives the bytes of the rule as first written (split each name at '-', capitalise
// each part, join, then the rest of the line), never grows a block and is idempotent.
#include <cstdint>
#include <cstdlib>

#include "common/text_ops.h"
#include "common/text_search.h"
#include "fuzz/fuzz_input.h"
#include "http/header_block.h"

namespace {

lc::Text literal_normalize(lc::TextView block) {
  lc::Text result;
  for (const lc::Text& line : lc::split(block, "\r\n")) {
    const lc::TextPos colon = lc::find(line, ":");
    if (colon == lc::kNotFound) continue;
    lc::Text name;
    bool first = true;
    for (const lc::Text& part : lc::split(lc::left(line, colon - 1), "-")) {
      if (!first) name += '-';
      name += lc::capitalize_first(part);
      first = false;
    }
    if (!result.empty()) result += "\r\n";
    result += name + lc::mid(line, lc::length(name) + 1, lc::length(line));
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lc::fuzz::Input input(data, size);
  const lc::Text block = input.piece();
  const lc::Text normalized = lc::normalize_header_names(block);
  if (normalized != literal_normalize(block)) std::abort();
  if (normalized.size() > block.size()) std::abort();
  if (lc::normalize_header_names(normalized) != normalized) std::abort();
  const lc::Text name = input.piece();
  const lc::Text value = lc::get_header_value(block, name);
  if (!value.empty() && block.find(value) == lc::Text::npos) std::abort();
  return 0;
}
