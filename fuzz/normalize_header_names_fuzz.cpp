// Normalising never grows a block, keeps every header line's value and is idempotent.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "http/header_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lc::fuzz::Input input(data, size);
  const lc::Text block = input.piece();
  const lc::Text normalized = lc::normalize_header_names(block);
  if (normalized.size() > block.size()) std::abort();
  if (lc::normalize_header_names(normalized) != normalized) std::abort();
  const lc::Text name = input.piece();
  const lc::Text value = lc::get_header_value(block, name);
  if (!value.empty() && block.find(value) == lc::Text::npos) std::abort();
  return 0;
}
