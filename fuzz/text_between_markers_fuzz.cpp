// The value between markers is always a piece of the searched text.
#include <cstdint>
#include <cstdlib>

#include "common/marked_text.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lc::fuzz::Input input(data, size);
  const lc::Text text = input.piece();
  const lc::Text start_marker = input.piece();
  const lc::Text end_marker = input.piece();
  const auto start_position = static_cast<lc::TextPos>(input.byte()) - 8;
  const bool ignore_case = input.byte() % 2 == 1;
  const lc::Text value =
      lc::text_between_markers(text, start_marker, end_marker, start_position, ignore_case);
  if (!value.empty() && text.find(value) == lc::Text::npos) std::abort();
  return 0;
}
